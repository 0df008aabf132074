# Quorva run-time. Licensed under the MIT licence.
# Calls the bit and memory built-ins through their entry cells. The host sets the arguments in
# the variables and reads the results back; each procedure makes one call.
@noncyclic
@var W : Integer
@var N : Integer
@var V : Integer
@var R : Integer
@var SRC : Integer
@var DST : Integer
@var CNT : Integer
@var PTR : Integer
@var BUF : Array[0..15] of Byte
@import function SETBIT
@import function RESETBIT
@import function FIXBIT
@import function TESTBIT
@import function NOT as F_NOT
@import function HIWORD
@import function HI
@import function MOVE
@import function FILLCHAR
@import function GETMEM
@import function FREEMEM
@import function ADDR
@procedure DoSetBit = do_setbit
@procedure DoResetBit = do_resetbit
@procedure DoFixBit = do_fixbit
@procedure DoTestBit = do_testbit
@procedure DoNot = do_not
@procedure DoHiWord = do_hiword
@procedure DoHi = do_hi
@procedure DoMove = do_move
@procedure DoFill = do_fill
@procedure DoGetMem = do_getmem
@procedure DoFreeMem = do_freemem
@procedure DoAddr = do_addr

.intel_syntax noprefix
.text
do_setbit:
    mov     eax, offset W
    mov     edx, dword ptr [N]
    call    dword ptr [SETBIT]
    ret
do_resetbit:
    mov     eax, offset W
    mov     edx, dword ptr [N]
    call    dword ptr [RESETBIT]
    ret
do_fixbit:
    mov     eax, offset W
    mov     edx, dword ptr [N]
    mov     ecx, dword ptr [V]
    call    dword ptr [FIXBIT]
    ret
do_testbit:
    mov     eax, dword ptr [W]
    mov     edx, dword ptr [N]
    call    dword ptr [TESTBIT]
    mov     dword ptr [R], eax
    ret
do_not:
    mov     eax, dword ptr [V]
    call    dword ptr [F_NOT]
    mov     dword ptr [R], eax
    ret
do_hiword:
    mov     eax, dword ptr [W]
    call    dword ptr [HIWORD]
    mov     dword ptr [R], eax
    ret
do_hi:
    mov     eax, dword ptr [W]
    call    dword ptr [HI]
    mov     dword ptr [R], eax
    ret
do_move:
    mov     eax, dword ptr [SRC]
    mov     edx, dword ptr [DST]
    mov     ecx, dword ptr [CNT]
    call    dword ptr [MOVE]
    ret
do_fill:
    mov     eax, dword ptr [DST]
    mov     edx, dword ptr [CNT]
    mov     ecx, dword ptr [V]
    call    dword ptr [FILLCHAR]
    ret
do_getmem:
    mov     eax, offset PTR
    mov     edx, dword ptr [CNT]
    call    dword ptr [GETMEM]
    ret
do_freemem:
    mov     eax, offset PTR
    mov     edx, dword ptr [CNT]
    call    dword ptr [FREEMEM]
    ret
do_addr:
    mov     eax, offset BUF
    call    dword ptr [ADDR]
    mov     dword ptr [R], eax
    ret
