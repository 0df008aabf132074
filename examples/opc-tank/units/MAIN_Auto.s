# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen MAIN, run once per GUI cycle: the bar and the value show the
# level that the OPC subscription delivers into LEVEL, and the pump lamp is green while the
# pump command is on, grey while it is off.
@uses MVARGLOB
@import variable LEVEL
@import variable PUMP
@import function COMMUT_FIG
@import function SETVALUE
@import function SETFILLCOLOR
@var N_LEVELBAR : String = 'LEVELBAR'
@var N_LEVELVAL : String = 'LEVELVAL'
@var N_LAMP : String = 'PUMPLAMP'
@main cycle

.intel_syntax noprefix
.text
# the level into the current figure's value
show_level:
    sub     esp, 12
    fld     tbyte ptr [LEVEL]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]        # removes its 12 bytes
    ret

cycle:
    mov     eax, offset N_LEVELBAR
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      1f
    call    show_level
1:  mov     eax, offset N_LEVELVAL
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      2f
    call    show_level
2:  mov     eax, offset N_LAMP
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      3f
    mov     eax, 0x00808080
    cmp     byte ptr [PUMP], 0
    je      21f
    mov     eax, 0x0000C000
21: call    dword ptr [SETFILLCOLOR]
3:  ret
