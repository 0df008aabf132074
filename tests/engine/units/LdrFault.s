# Quorva run-time. Licensed under the MIT licence.
# A cyclic unit whose init entry writes to address 0.
@var MARK : Integer export
@init bad
@main scan

.intel_syntax noprefix
.text
bad:
    mov     dword ptr ds:0, 1
    ret
scan:
    inc     dword ptr [MARK]
    ret
