# Quorva run-time. Licensed under the MIT licence.
# A library unit: an exported counter and function; its exit entry marks INT_SYS1.
@noncyclic
@stamp 45000.25
@var COUNTER : Integer = 5 export
@var HIDDEN : Integer
@function Twice(A : Integer) : Integer = twice_body export
@import variable INT_SYS1
@main start
@exit leave

.intel_syntax noprefix
.text
start:
    add     dword ptr [COUNTER], 100
    ret
leave:
    mov     dword ptr [INT_SYS1], 77
    ret
twice_body:
    add     eax, eax
    ret
