# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen run test, once per GUI cycle: moves MOVER to x = 200..240,
# shows COUNT in the value COUNTVAL, fills LAMP green once COUNT is above 0 (red before), and
# raises CLICKED when the left button went down on BUTTON and BUTTON is down.
@uses MVARGLOB
@import variable CLICKED
@import variable COUNT
@import function COMMUT_FIG
@import function SETXORG
@import function SETXFIN
@import function SETVALUE
@import function SETFILLCOLOR
@import function TOPLBDOWN
@import function IS_ME
@import function GETBUTTON
@var N_MOVER : String = 'MOVER'
@var N_VALUE : String = 'countval'
@var N_LAMP : String = 'LAMP'
@var N_BUTTON : String = 'BUTTON'
@var N_MISSING : String = 'NOSUCHFIGURE'
@main cycle

.intel_syntax noprefix
.text
cycle:
    mov     eax, offset N_MOVER
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      1f
    mov     eax, 200
    call    dword ptr [SETXORG]
    mov     eax, 240
    call    dword ptr [SETXFIN]
    # an unknown name keeps MOVER current: this moves nothing else
    mov     eax, offset N_MISSING
    call    dword ptr [COMMUT_FIG]
1:  mov     eax, offset N_VALUE
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      2f
    sub     esp, 12
    fild    dword ptr [COUNT]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
2:  mov     eax, offset N_LAMP
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      3f
    mov     eax, 0x000000FF
    cmp     dword ptr [COUNT], 0
    je      21f
    mov     eax, 0x0000FF00
21: call    dword ptr [SETFILLCOLOR]
3:  call    dword ptr [TOPLBDOWN]
    test    al, al
    jz      4f
    mov     eax, offset N_BUTTON
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      4f
    call    dword ptr [IS_ME]
    test    al, al
    jz      4f
    call    dword ptr [GETBUTTON]
    test    al, al
    jz      4f
    mov     byte ptr [CLICKED], 1
4:  ret
