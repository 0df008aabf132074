# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the date, time and number format functions through their entry cells,
# following the calling contract. The host fills the inputs (SFMT, SIN, RVAL, W1..W4), runs one
# procedure and reads the outputs (SOUT, RRES, IRES). SOUT is followed by a guard array that no
# call may touch.
@noncyclic
@var SFMT : String
@var SIN : String
@var SOUT : String
@var GOUT : Array[0..15] of Byte
@var SOUT2 : String
@var RVAL : Real
@var RRES : Real
@var IRES : Integer
@var W1 : Word
@var W2 : Word
@var W3 : Word
@var W4 : Word
@var LOOPS : Integer
@import function FORMATDATETIME
@import function FORMATFLOAT
@import function ENCODEDATE
@import function ENCODETIME
@import function DAYOFWEEK
@import function STRTODATETIME
@import function DATETIMETOSTR
@import function NOW
@procedure DoFormatDateTime = do_formatdatetime
@procedure DoFormatFloat = do_formatfloat
@procedure DoEncodeDate = do_encodedate
@procedure DoEncodeTime = do_encodetime
@procedure DoDayOfWeek = do_dayofweek
@procedure DoStrToDateTime = do_strtodatetime
@procedure DoDateTimeToStr = do_datetimetostr
@procedure DoNow = do_now
@procedure DoBench = do_bench

.intel_syntax noprefix
.text
# FORMATDATETIME(SFMT, RVAL) -> SOUT: the Format in EAX, the Real on the stack as 12 bytes, the
# result buffer in EDX.
do_formatdatetime:
    sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    mov     eax, offset SFMT
    mov     edx, offset SOUT
    call    dword ptr [FORMATDATETIME]
    ret
do_formatfloat:
    sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    mov     eax, offset SFMT
    mov     edx, offset SOUT
    call    dword ptr [FORMATFLOAT]
    ret
# ENCODEDATE(W1, W2, W3): three Words in EAX, EDX, ECX; the Real comes back on the x87 stack.
do_encodedate:
    movzx   eax, word ptr [W1]
    movzx   edx, word ptr [W2]
    movzx   ecx, word ptr [W3]
    call    dword ptr [ENCODEDATE]
    fstp    tbyte ptr [RRES]
    ret
# ENCODETIME(W1, W2, W3, W4): the fourth Word goes on the stack.
do_encodetime:
    movzx   eax, word ptr [W4]
    push    eax
    movzx   eax, word ptr [W1]
    movzx   edx, word ptr [W2]
    movzx   ecx, word ptr [W3]
    call    dword ptr [ENCODETIME]
    fstp    tbyte ptr [RRES]
    ret
do_dayofweek:
    sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    call    dword ptr [DAYOFWEEK]
    mov     dword ptr [IRES], eax
    ret
do_strtodatetime:
    mov     eax, offset SIN
    call    dword ptr [STRTODATETIME]
    fstp    tbyte ptr [RRES]
    ret
# DATETIMETOSTR(RVAL) -> SOUT: the result buffer is the only register-class word, in EAX.
do_datetimetostr:
    sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    mov     eax, offset SOUT
    call    dword ptr [DATETIMETOSTR]
    ret
do_now:
    call    dword ptr [NOW]
    fstp    tbyte ptr [RRES]
    ret
# LOOPS rounds of FORMATDATETIME(SFMT, RVAL) -> SOUT and FORMATFLOAT(SIN, RVAL) -> SOUT2.
do_bench:
    push    ebx
    mov     ebx, dword ptr [LOOPS]
    test    ebx, ebx
    jle     2f
1:  sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    mov     eax, offset SFMT
    mov     edx, offset SOUT
    call    dword ptr [FORMATDATETIME]
    sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    mov     eax, offset SIN
    mov     edx, offset SOUT2
    call    dword ptr [FORMATFLOAT]
    dec     ebx
    jnz     1b
2:  pop     ebx
    ret
