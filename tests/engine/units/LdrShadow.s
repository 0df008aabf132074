# Quorva run-time. Licensed under the MIT licence.
# Exports LOWORD and TWICE (shadowing the run-time's and LDRBASE's) and the system variable
# name BT_10; its own HIWORD is not exported, so the run-time's HIWORD wins for its code.
@noncyclic
@var BT_10 : Integer = 12 export
@var OWNRESULT : Integer export
@function LoWord(A : Integer) : Integer = mylo export
@function Twice(A : Integer) : Integer = thrice export
@function HiWord(A : Integer) : Integer = myhi
@main start

.intel_syntax noprefix
.text
start:
    mov     eax, 0x00050000
    call    dword ptr [HiWord]
    mov     dword ptr [OWNRESULT], eax
    ret
mylo:
    mov     eax, 42
    ret
thrice:
    lea     eax, [eax + eax * 2]
    ret
myhi:
    mov     eax, 1
    ret
