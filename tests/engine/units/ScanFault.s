# Quorva run-time. Licensed under the MIT licence.
# A cyclic unit whose main entry counts its call and then writes to unmapped page 0.
@period 10
@var CALLS : Integer
@main scan

.intel_syntax noprefix
.text
scan:
    inc     dword ptr [CALLS]
    xor     eax, eax
    mov     dword ptr [eax+16], eax
    ret
