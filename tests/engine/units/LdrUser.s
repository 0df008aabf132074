# Quorva run-time. Licensed under the MIT licence.
# A cyclic unit that uses LDRBASE (and names itself): two integer constants before its first
# variable, a runtime function call, a count of final scans and an exit that records whether
# LDRBASE's exit already ran.
@uses LdrBase, LdrUser
@stamp 45000.5
@const 5
@const 7
@var FIRST : Integer = 3 export
@var RESULT : Integer export
@import variable COUNTER
@import variable END_PROG
@import variable INT_SYS1
@import variable INT_SYS2
@import variable INT_SYS3
@import function TWICE
@import function LOWORD
@init begin
@main scan
@exit leave

.intel_syntax noprefix
.text
begin:
    mov     dword ptr [RESULT], 1
    ret
scan:
    mov     eax, dword ptr [COUNTER]
    call    dword ptr [TWICE]
    call    dword ptr [LOWORD]
    mov     dword ptr [RESULT], eax
    movzx   eax, byte ptr [END_PROG]
    add     dword ptr [INT_SYS2], eax
    ret
leave:
    mov     eax, dword ptr [INT_SYS1]
    add     eax, 1
    mov     dword ptr [INT_SYS3], eax
    ret
