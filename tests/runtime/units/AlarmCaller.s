# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the alarm history functions through their entry cells. The host sets INDEX,
# KEEP and STORE, runs one procedure and reads LINE, COUNT and LEFT. LINE is followed by a guard
# array that no call may touch.
@noncyclic
@var INDEX : Integer
@var LINE : String
@var GUARD : Array[0..15] of Byte
@var COUNT : Integer
@var KEEP : Integer
@var LEFT : Integer
@var STORE : Boolean
@import function TASK_GETHISTOALA
@import function TASK_NB_HISTOALARMS
@import function TASK_KEEPHISTOALA
@import function TASK_DB_ALARM
@procedure DoGet = do_get
@procedure DoCount = do_count
@procedure DoKeep = do_keep
@procedure DoStore = do_store

.intel_syntax noprefix
.text
# TASK_GETHISTOALA(INDEX) -> LINE: the Integer in EAX, the result buffer in EDX.
do_get:
    mov     eax, dword ptr [INDEX]
    mov     edx, offset LINE
    call    dword ptr [TASK_GETHISTOALA]
    ret
do_count:
    call    dword ptr [TASK_NB_HISTOALARMS]
    mov     dword ptr [COUNT], eax
    ret
do_keep:
    mov     eax, dword ptr [KEEP]
    call    dword ptr [TASK_KEEPHISTOALA]
    mov     dword ptr [LEFT], eax
    ret
# TASK_DB_ALARM(STORE): the Boolean in AL, the rest of EAX left as garbage.
do_store:
    mov     eax, 0xFFFFFF00
    mov     al, byte ptr [STORE]
    call    dword ptr [TASK_DB_ALARM]
    ret
