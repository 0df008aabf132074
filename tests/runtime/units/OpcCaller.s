# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the OPC client functions through their entry cells, as compiled code does.
# The host fills NAME, GROUP, TBASE, ITEM, QRU and VALUE, runs one procedure and reads SRES
# (String results) and OK (Boolean results, widened).
@noncyclic
@var NAME : String
@var GROUP : String
@var TBASE : Integer
@var ITEM : String
@var QRU : String
@var VALUE : String
@var SRES : String
@var OK : Integer
@import function OPCCLIENTCONNECT
@import function OPCCLIENTCLOSE
@import function OPCCLIENTREADASYNC
@import function OPCCLIENTREADSYNC
@import function OPCCLIENTWRITESYNC
@procedure DoConnect = do_connect
@procedure DoClose = do_close
@procedure DoReadAsync = do_readasync
@procedure DoReadSync = do_readsync
@procedure DoWriteSync = do_writesync

.intel_syntax noprefix
.text
# OPCCLIENTCONNECT(NAME, GROUP, TBASE): Strings in EAX and EDX, the Integer in ECX, the result
# buffer pushed.
do_connect:
    push    offset SRES
    mov     eax, offset NAME
    mov     edx, offset GROUP
    mov     ecx, dword ptr [TBASE]
    call    dword ptr [OPCCLIENTCONNECT]
    ret
do_close:
    call    dword ptr [OPCCLIENTCLOSE]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
# OPCCLIENTREADASYNC(ITEM, QRU): the Strings in EAX and EDX, the Boolean in AL.
do_readasync:
    mov     eax, offset ITEM
    mov     edx, offset QRU
    call    dword ptr [OPCCLIENTREADASYNC]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
# OPCCLIENTREADSYNC(ITEM): the String in EAX, the result buffer in EDX.
do_readsync:
    mov     eax, offset ITEM
    mov     edx, offset SRES
    call    dword ptr [OPCCLIENTREADSYNC]
    ret
do_writesync:
    mov     eax, offset ITEM
    mov     edx, offset VALUE
    call    dword ptr [OPCCLIENTWRITESYNC]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
