# Quorva run-time. Licensed under the MIT licence.
# A cyclic unit that counts its calls and what the scheduler's system variables told it.
# PAUSED is set by the host while it holds scheduling paused: a call then counts as a violation.
@period 10
@var CALLS : Integer
@var TICKS : Integer
@var PULSES : Integer
@var STARTS : Integer
@var ENDS : Integer
@var LASTBT10 : Integer
@var LASTBT100 : Integer
@var LASTSTART : Integer
@var LASTEND : Integer
@var PAUSED : Integer
@var VIOLATIONS : Integer
@import variable BT_10
@import variable BT_100
@import variable START_PROG
@import variable END_PROG
@main scan

.intel_syntax noprefix
.text
scan:
    inc     dword ptr [CALLS]
    mov     eax, dword ptr [BT_10]
    mov     dword ptr [LASTBT10], eax
    add     dword ptr [TICKS], eax
    mov     eax, dword ptr [BT_100]
    mov     dword ptr [LASTBT100], eax
    add     dword ptr [PULSES], eax
    movzx   eax, byte ptr [START_PROG]
    mov     dword ptr [LASTSTART], eax
    add     dword ptr [STARTS], eax
    movzx   eax, byte ptr [END_PROG]
    mov     dword ptr [LASTEND], eax
    add     dword ptr [ENDS], eax
    mov     eax, dword ptr [PAUSED]
    add     dword ptr [VIOLATIONS], eax
    # Scratch every general register: the caller must not depend on them.
    mov     ebx, 0x11111111
    mov     esi, 0x22222222
    mov     edi, 0x33333333
    mov     ebp, 0x44444444
    ret
