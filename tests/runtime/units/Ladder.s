# Quorva run-time. Licensed under the MIT licence.
# Calls the ladder built-ins: B holds the Boolean arguments of COMPUTE2 and COMPUTE16 (one per
# Integer, low byte used), V the value of DIFFUSE and ISET, R ISET's result.
@noncyclic
@var B : Array[0..15] of Integer
@var V : Integer
@var R : Integer
@import function COMPUTE2
@import function COMPUTE16
@import function DIFFUSE
@import function ISET
@procedure DoCompute2 = do_compute2
@procedure DoCompute16 = do_compute16
@procedure DoDiffuse = do_diffuse
@procedure DoISet = do_iset

.intel_syntax noprefix
.text
do_compute2:
    mov     eax, dword ptr [B]
    mov     edx, dword ptr [B+4]
    call    dword ptr [COMPUTE2]
    ret
do_compute16:
    push    ebx
    mov     ebx, esp
    # B3 ... B15 on the stack, pushed left to right; the callee removes them.
    .irp    i, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15
    push    dword ptr [B+\i*4]
    .endr
    mov     eax, dword ptr [B]
    mov     edx, dword ptr [B+4]
    mov     ecx, dword ptr [B+8]
    call    dword ptr [COMPUTE16]
    # The stack must be balanced again.
    sub     ebx, esp
    mov     dword ptr [R], ebx
    pop     ebx
    ret
do_diffuse:
    mov     eax, dword ptr [V]
    call    dword ptr [DIFFUSE]
    ret
do_iset:
    mov     eax, dword ptr [V]
    call    dword ptr [ISET]
    mov     dword ptr [R], eax
    ret
