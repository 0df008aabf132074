# Quorva run-time. Licensed under the MIT licence.
# On the scan thread: every CLICKED the automatic unit raises becomes one more COUNT.
@uses MVARGLOB
@import variable CLICKED
@import variable COUNT
@main scan

.intel_syntax noprefix
.text
scan:
    cmp     byte ptr [CLICKED], 0
    je      1f
    mov     byte ptr [CLICKED], 0
    inc     dword ptr [COUNT]
1:  ret
