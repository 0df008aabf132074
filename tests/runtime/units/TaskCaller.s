# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the task-control functions through their entry cells. The host puts the task
# name in TASK and the arguments in RUNFLAG / MS; each procedure makes one call. As a cyclic
# unit its main entry calls CALLTASK, then counts that it got control back.
@period 10
@var TASK : String
@var RUNFLAG : Integer
@var MS : Integer
@var STATE : Integer
@var AFTER : Integer
@import function RUNTASK
@import function GETTASK
@import function SETTASK
@import function CALLTASK
@procedure DoRun = do_run
@procedure DoGet = do_get
@procedure DoSet = do_set
@procedure DoCall = do_call
@main do_call

.intel_syntax noprefix
.text
do_run:
    mov     eax, offset TASK
    mov     edx, dword ptr [RUNFLAG]
    call    dword ptr [RUNTASK]
    ret
do_get:
    mov     eax, offset TASK
    call    dword ptr [GETTASK]
    mov     dword ptr [STATE], eax
    ret
do_set:
    mov     eax, offset TASK
    mov     edx, dword ptr [MS]
    call    dword ptr [SETTASK]
    ret
do_call:
    push    ebx
    mov     ebx, 0x5A5A5A5A
    mov     eax, offset TASK
    call    dword ptr [CALLTASK]
    # EBX must come back intact across the call, nested fault or not.
    cmp     ebx, 0x5A5A5A5A
    jne     1f
    inc     dword ptr [AFTER]
1:  pop     ebx
    ret
