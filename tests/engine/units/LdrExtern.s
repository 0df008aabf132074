# Quorva run-time. Licensed under the MIT licence.
# Calls operating-system entries: the tick count, a string length and a profile round trip.
@noncyclic
@var TXT : String = 'hello world'
@var SEC : String = 'Plant'
@var KEYN : String = 'Speed'
@var VAL : String = '1500'
@var INIFILE : String = 'plant.ini'
@var DEF : String = 'none'
@var BUF : Array[0..63] of Byte export
@var TICKS : Integer export
@var LEN : Integer export
@var WROTE : Integer export
@var GOT : Integer export
@external function GetTickCount : Integer from 'kernel32.dll' convention 1
@external function lstrlenA(S : Integer) : Integer from 'KERNEL32' convention 1
@external function WritePrivateProfileStringA(S, K, V, F : Integer) : Integer from 'kernel32.dll' convention 1
@external function GetPrivateProfileStringA(S, K, D, B, N, F : Integer) : Integer from 'Kernel32.DLL' convention 1
@main start

.intel_syntax noprefix
.text
start:
    call    dword ptr [GetTickCount]
    mov     dword ptr [TICKS], eax
    push    offset TXT+1
    call    dword ptr [lstrlenA]
    mov     dword ptr [LEN], eax
    push    offset INIFILE+1
    push    offset VAL+1
    push    offset KEYN+1
    push    offset SEC+1
    call    dword ptr [WritePrivateProfileStringA]
    mov     dword ptr [WROTE], eax
    push    offset INIFILE+1
    push    64
    push    offset BUF
    push    offset DEF+1
    push    offset KEYN+1
    push    offset SEC+1
    call    dword ptr [GetPrivateProfileStringA]
    mov     dword ptr [GOT], eax
    ret
