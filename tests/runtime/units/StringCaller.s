# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the conversion and String built-ins through their entry cells, following the
# calling contract. The host fills the inputs (SIN, SIN2, SDST, HIGH, IVAL, IARG, RVAL), runs one
# procedure and reads the outputs (SOUT, SDST, IRES, RRES). Each String variable is followed by
# a guard array that no call may touch.
@var SIN : String
@var GIN : Array[0..15] of Byte
@var SIN2 : String
@var GIN2 : Array[0..15] of Byte
@var SOUT : String
@var GOUT : Array[0..15] of Byte
@var SDST : String
@var GDST : Array[0..15] of Byte
@var HIGH : Integer
@var IVAL : Integer
@var IARG : Integer
@var IRES : Integer
@var RVAL : Real
@var RRES : Real
@var LOOPS : Integer
@var KEEP : Integer
@import function INTTOSTR
@import function STRTOINT
@import function FLOATTOSTR
@import function STRTOFLOAT
@import function INTTOHEX
@import function VAL
@import function COPY
@import function POS
@import function DELETE
@import function INSERT
@import function LENGTH
@import function CHR
@import function ORD
@procedure DoIntToStr = do_inttostr
@procedure DoStrToInt = do_strtoint
@procedure DoFloatToStr = do_floattostr
@procedure DoStrToFloat = do_strtofloat
@procedure DoIntToHex = do_inttohex
@procedure DoVal = do_val
@procedure DoCopy = do_copy
@procedure DoPos = do_pos
@procedure DoDelete = do_delete
@procedure DoInsert = do_insert
@procedure DoLength = do_length
@procedure DoChr = do_chr
@procedure DoOrd = do_ord
@procedure DoBench = do_bench

.intel_syntax noprefix
.text
# INTTOSTR(IVAL) -> SOUT: Value in EAX, the result buffer in EDX.
do_inttostr:
    mov     eax, dword ptr [IVAL]
    mov     edx, offset SOUT
    call    dword ptr [INTTOSTR]
    ret
do_strtoint:
    mov     eax, offset SIN
    call    dword ptr [STRTOINT]
    mov     dword ptr [IRES], eax
    ret
# FLOATTOSTR(RVAL): the Real goes on the stack as 12 bytes; the buffer in EAX.
do_floattostr:
    fld     tbyte ptr [RVAL]
    sub     esp, 12
    fstp    tbyte ptr [esp]
    mov     eax, offset SOUT
    call    dword ptr [FLOATTOSTR]
    ret
do_strtofloat:
    mov     eax, offset SIN
    call    dword ptr [STRTOFLOAT]
    fstp    tbyte ptr [RRES]
    ret
do_inttohex:
    mov     eax, dword ptr [IVAL]
    mov     edx, dword ptr [IARG]
    mov     ecx, offset SOUT
    call    dword ptr [INTTOHEX]
    ret
# VAL(SIN, RRES, IRES): the String and both by-reference targets take EAX, EDX, ECX.
do_val:
    mov     eax, offset SIN
    mov     edx, offset RRES
    mov     ecx, offset IRES
    call    dword ptr [VAL]
    ret
# COPY(SIN, IVAL, IARG): the result buffer is the fourth register-class word, on the stack.
do_copy:
    push    offset SOUT
    mov     eax, offset SIN
    mov     edx, dword ptr [IVAL]
    mov     ecx, dword ptr [IARG]
    call    dword ptr [COPY]
    ret
# POS(SIN2, SIN): Search, then Str.
do_pos:
    mov     eax, offset SIN2
    mov     edx, offset SIN
    call    dword ptr [POS]
    mov     dword ptr [IRES], eax
    ret
# DELETE(SDST + hidden HIGH, IVAL, IARG): Count goes on the stack.
do_delete:
    push    dword ptr [IARG]
    mov     eax, offset SDST
    mov     edx, dword ptr [HIGH]
    mov     ecx, dword ptr [IVAL]
    call    dword ptr [DELETE]
    ret
# INSERT(SIN, SDST + hidden HIGH, IVAL): Position goes on the stack.
do_insert:
    push    dword ptr [IVAL]
    mov     eax, offset SIN
    mov     edx, offset SDST
    mov     ecx, dword ptr [HIGH]
    call    dword ptr [INSERT]
    ret
do_length:
    mov     eax, offset SDST
    mov     edx, dword ptr [HIGH]
    call    dword ptr [LENGTH]
    mov     dword ptr [IRES], eax
    ret
do_chr:
    mov     eax, dword ptr [IVAL]
    mov     edx, offset SOUT
    call    dword ptr [CHR]
    ret
do_ord:
    mov     eax, offset SIN
    call    dword ptr [ORD]
    mov     dword ptr [IRES], eax
    ret
# LOOPS rounds of INTTOSTR(IVAL) -> SOUT, COPY(SOUT, 2, 3) -> SDST, POS(SIN2, SOUT) and
# STRTOINT(SOUT); KEEP sums the integer results so the work cannot be skipped.
do_bench:
    push    ebx
    mov     ebx, dword ptr [LOOPS]
    test    ebx, ebx
    jle     2f
1:  mov     eax, dword ptr [IVAL]
    mov     edx, offset SOUT
    call    dword ptr [INTTOSTR]
    push    offset SDST
    mov     eax, offset SOUT
    mov     edx, 2
    mov     ecx, 3
    call    dword ptr [COPY]
    mov     eax, offset SIN2
    mov     edx, offset SOUT
    call    dword ptr [POS]
    add     dword ptr [KEEP], eax
    mov     eax, offset SOUT
    call    dword ptr [STRTOINT]
    add     dword ptr [KEEP], eax
    dec     ebx
    jnz     1b
2:  pop     ebx
    ret
