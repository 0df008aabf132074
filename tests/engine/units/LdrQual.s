# Quorva run-time. Licensed under the MIT licence.
# References with and without unit qualifiers, and a private variable named like an export.
@noncyclic
@uses LdrBase, LdrShadow
@var COUNTER : Integer = 1
@var R1 : Integer export
@var R2 : Integer export
@var R3 : Integer export
@var R4 : Integer export
@import function TWICE LDRBASE as TWICE_BASE
@import function TWICE as TWICE_ANY
@import function TWICE NOSUCH as TWICE_NONE
@main start

.intel_syntax noprefix
.text
start:
    mov     eax, 10
    call    dword ptr [TWICE_BASE]
    mov     dword ptr [R1], eax
    mov     eax, 10
    call    dword ptr [TWICE_ANY]
    mov     dword ptr [R2], eax
    mov     eax, 10
    call    dword ptr [TWICE_NONE]
    mov     dword ptr [R3], eax
    mov     eax, dword ptr [COUNTER]
    mov     dword ptr [R4], eax
    ret
