# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the VT2... variant conversions through their entry cells, following the
# calling contract. The host puts a variant's address in ADDR, runs one procedure and reads the
# result (DRES, RRES, IRES, WRES, BRES, OK, SOUT). SOUT is followed by a guard array that no call
# may touch.
@noncyclic
@var ADDR : Integer
@var DRES : Double
@var RRES : Real
@var IRES : Integer
@var WRES : Word
@var BRES : Byte
@var OK : Integer
@var SOUT : String
@var GOUT : Array[0..15] of Byte
@import function VT2DOUBLE
@import function VT2REAL
@import function VT2INTEGER
@import function VT2WORD
@import function VT2BYTE
@import function VT2BOOLEAN
@import function VT2STR
@procedure DoDouble = do_double
@procedure DoReal = do_real
@procedure DoInteger = do_integer
@procedure DoWord = do_word
@procedure DoByte = do_byte
@procedure DoBoolean = do_boolean
@procedure DoStr = do_str

.intel_syntax noprefix
.text
# The variant's address goes in EAX; floating results come back on the x87 stack, the others
# in EAX / AX / AL.
do_double:
    mov     eax, dword ptr [ADDR]
    call    dword ptr [VT2DOUBLE]
    fstp    qword ptr [DRES]
    ret
do_real:
    mov     eax, dword ptr [ADDR]
    call    dword ptr [VT2REAL]
    fstp    tbyte ptr [RRES]
    ret
do_integer:
    mov     eax, dword ptr [ADDR]
    call    dword ptr [VT2INTEGER]
    mov     dword ptr [IRES], eax
    ret
do_word:
    mov     eax, dword ptr [ADDR]
    call    dword ptr [VT2WORD]
    mov     word ptr [WRES], ax
    ret
do_byte:
    mov     eax, dword ptr [ADDR]
    call    dword ptr [VT2BYTE]
    mov     byte ptr [BRES], al
    ret
do_boolean:
    mov     eax, dword ptr [ADDR]
    call    dword ptr [VT2BOOLEAN]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
# VT2STR(ADDR) -> SOUT: the result buffer takes the next register, EDX.
do_str:
    mov     eax, dword ptr [ADDR]
    mov     edx, offset SOUT
    call    dword ptr [VT2STR]
    ret
