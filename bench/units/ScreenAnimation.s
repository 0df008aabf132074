# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of one benchmark screen: each cycle it selects 20 of the screen's figures
# by name and gives each a new value (the cycle count plus the figure's number).
@noncyclic
@import function COMMUT_FIG
@import function SETVALUE
@var CYCLE : Integer
@var N0 : String = 'F0'
@var N1 : String = 'F10'
@var N2 : String = 'F20'
@var N3 : String = 'F30'
@var N4 : String = 'F40'
@var N5 : String = 'F50'
@var N6 : String = 'F60'
@var N7 : String = 'F70'
@var N8 : String = 'F80'
@var N9 : String = 'F90'
@var N10 : String = 'F100'
@var N11 : String = 'F110'
@var N12 : String = 'F120'
@var N13 : String = 'F130'
@var N14 : String = 'F140'
@var N15 : String = 'F150'
@var N16 : String = 'F160'
@var N17 : String = 'F170'
@var N18 : String = 'F180'
@var N19 : String = 'F190'
@function ANIMATE() : Integer = run_animation export

.intel_syntax noprefix
.text
run_animation:
    inc     dword ptr [CYCLE]
    mov     eax, offset N0
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      100f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
100:
    mov     eax, offset N1
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      101f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
101:
    mov     eax, offset N2
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      102f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
102:
    mov     eax, offset N3
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      103f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
103:
    mov     eax, offset N4
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      104f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
104:
    mov     eax, offset N5
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      105f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
105:
    mov     eax, offset N6
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      106f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
106:
    mov     eax, offset N7
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      107f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
107:
    mov     eax, offset N8
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      108f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
108:
    mov     eax, offset N9
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      109f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
109:
    mov     eax, offset N10
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      110f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
110:
    mov     eax, offset N11
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      111f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
111:
    mov     eax, offset N12
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      112f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
112:
    mov     eax, offset N13
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      113f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
113:
    mov     eax, offset N14
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      114f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
114:
    mov     eax, offset N15
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      115f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
115:
    mov     eax, offset N16
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      116f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
116:
    mov     eax, offset N17
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      117f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
117:
    mov     eax, offset N18
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      118f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
118:
    mov     eax, offset N19
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      119f
    sub     esp, 12
    fild    dword ptr [CYCLE]
    fstp    tbyte ptr [esp]
    call    dword ptr [SETVALUE]
119:
    mov     eax, dword ptr [CYCLE]
    ret
