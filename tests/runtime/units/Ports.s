# Quorva run-time. Licensed under the MIT licence.
# Calls the port and physical-memory built-ins with the arguments in A, S, O and V.
@noncyclic
@var A : Integer
@var S : Integer
@var O : Integer
@var V : Integer
@var R : Integer
@import function READPORT
@import function WRITEPORT
@import function READMEM
@import function WRITEMEM
@procedure DoReadPort = do_readport
@procedure DoWritePort = do_writeport
@procedure DoReadMem = do_readmem
@procedure DoWriteMem = do_writemem

.intel_syntax noprefix
.text
do_readport:
    mov     eax, dword ptr [A]
    call    dword ptr [READPORT]
    mov     dword ptr [R], eax
    ret
do_writeport:
    mov     eax, dword ptr [A]
    mov     edx, dword ptr [V]
    call    dword ptr [WRITEPORT]
    ret
do_readmem:
    mov     eax, dword ptr [S]
    mov     edx, dword ptr [O]
    call    dword ptr [READMEM]
    mov     dword ptr [R], eax
    ret
do_writemem:
    mov     eax, dword ptr [S]
    mov     edx, dword ptr [O]
    mov     ecx, dword ptr [V]
    call    dword ptr [WRITEMEM]
    ret
