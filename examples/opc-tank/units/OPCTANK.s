# Quorva run-time. Licensed under the MIT licence.
# The tank's controller, every 100 ms. Until the level is subscribed it connects to the OPC
# server "TankSim" (a name of the [OpcServers] table of quorva.ini) every two seconds, with a
# 100 ms time base, and subscribes Plant/Tank/Level into LEVEL; then it switches the pump off.
# Once subscribed it keeps the level between the marks: above HIGHMARK it writes True to
# Plant/Tank/PumpCommand (the running pump drains the tank), below LOWMARK it writes False.
# PUMP follows the writes that succeeded.
@period 100
@uses MVARGLOB
@import variable LEVEL
@import variable PUMP
@import variable OPCSTAT
@import variable SUBSCR
@import function OPCCLIENTCONNECT
@import function OPCCLIENTREADASYNC
@import function OPCCLIENTWRITESYNC
@var SERVER : String = 'TankSim'
@var GROUP : String = 'Tank'
@var ITEMLEVEL : String = 'Plant/Tank/Level'
@var ITEMPUMP : String = 'Plant/Tank/PumpCommand'
@var QRULEVEL : String = 'LEVEL'
@var TEXTTRUE : String = 'True'
@var TEXTFALSE : String = 'False'
@var HIGHMARK : Real = 60
@var LOWMARK : Real = 40
@var WAIT : Integer
@main scan

.intel_syntax noprefix
.text
scan:
    cmp     byte ptr [SUBSCR], 0
    jne     10f
    # not subscribed yet: a try every 20 scans
    cmp     dword ptr [WAIT], 0
    je      1f
    dec     dword ptr [WAIT]
    ret
1:  mov     dword ptr [WAIT], 20
    push    offset OPCSTAT
    mov     eax, offset SERVER
    mov     edx, offset GROUP
    mov     ecx, 100
    call    dword ptr [OPCCLIENTCONNECT]
    mov     eax, offset ITEMLEVEL
    mov     edx, offset QRULEVEL
    call    dword ptr [OPCCLIENTREADASYNC]
    test    al, al
    jz      9f
    mov     byte ptr [SUBSCR], 1
    # from a known pump state: off
    mov     byte ptr [PUMP], 0
    mov     eax, offset ITEMPUMP
    mov     edx, offset TEXTFALSE
    call    dword ptr [OPCCLIENTWRITESYNC]
9:  ret
10: fld     tbyte ptr [LEVEL]
    cmp     byte ptr [PUMP], 0
    jne     20f
    # the pump is off: on above the high mark
    fld     tbyte ptr [HIGHMARK]
    fcomip  st, st(1)
    fstp    st(0)
    jae     9b
    mov     eax, offset ITEMPUMP
    mov     edx, offset TEXTTRUE
    call    dword ptr [OPCCLIENTWRITESYNC]
    test    al, al
    jz      9b
    mov     byte ptr [PUMP], 1
    ret
    # the pump runs: off below the low mark
20: fld     tbyte ptr [LOWMARK]
    fcomip  st, st(1)
    fstp    st(0)
    jbe     9b
    mov     eax, offset ITEMPUMP
    mov     edx, offset TEXTFALSE
    call    dword ptr [OPCCLIENTWRITESYNC]
    test    al, al
    jz      9b
    mov     byte ptr [PUMP], 0
    ret
