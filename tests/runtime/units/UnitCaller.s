# Quorva run-time. Licensed under the MIT licence.
# A unit that loads and unloads units through QRLOAD and QRUNLOAD. The host puts a unit name in
# TARGET and picks what the main entry does with MODE: 0 only counts, 1 unloads TARGET (the
# answer goes to STATUS), 2 loads TARGET, 3 calls the unit named in NEXT through CALLTASK (so
# that a call chain of two units can be built). Each MODE also has a procedure of its own.
@period 10
@var TARGET : String
@var NEXT : String
@var MODE : Integer
@var STATUS : Integer
@var CALLS : Integer
@import function QRLOAD
@import function QRUNLOAD
@import function CALLTASK
@procedure DoUnload = do_unload
@procedure DoLoad = do_load
@main scan

.intel_syntax noprefix
.text
scan:
    inc     dword ptr [CALLS]
    mov     eax, dword ptr [MODE]
    cmp     eax, 1
    je      do_unload
    cmp     eax, 2
    je      do_load
    cmp     eax, 3
    je      do_call
    ret
do_unload:
    mov     eax, offset TARGET
    call    dword ptr [QRUNLOAD]
    mov     dword ptr [STATUS], eax
    ret
do_load:
    mov     eax, offset TARGET
    call    dword ptr [QRLOAD]
    ret
do_call:
    mov     eax, offset NEXT
    call    dword ptr [CALLTASK]
    ret
