# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen MAIN: the GUI cycle runs it once per cycle with MAIN's window
# as the current window. It shows the level in the bar and the value, colours the value red at
# the high mark, turns clicks on the Start and Stop buttons into the pump command, lights the
# pump lamp, blinks the high-level text, shows the About text when the menu asks for it, opens
# the screen CONTROLS from the menu (command 101) or when SHOWCTRL is set, and the screen ALARMS
# from the menu (command 102) or when SHOWALM is set. The alarm list (ALARMLIST) needs no code:
# its class fills it from the alarm manager.
@uses MVARGLOB
@import variable LEVEL
@import variable PUMP
@import variable HIGH
@import variable BT_500
@import variable MENUID
@import variable SHOWCTRL
@import variable SHOWALM
@import function COMMUT_FIG
@import function SETVALUE
@import function SETCOLOR
@import function SETFILLCOLOR
@import function TOPLBDOWN
@import function IS_ME
@import function HIDECONTROL
@import function SHOWCONTROL
@import function CONTROLVISIBLE
@import function DISPLAY
@var N_LEVELBAR : String = 'LEVELBAR'
@var N_LEVELVAL : String = 'LEVELVAL'
@var N_START : String = 'STARTBTN'
@var N_STOP : String = 'STOPBTN'
@var N_LAMP : String = 'PUMPLAMP'
@var N_HIGH : String = 'HIGHTXT'
@var N_ABOUT : String = 'ABOUTTXT'
@var N_CONTROLS : String = 'CONTROLS'
@var N_ALARMS : String = 'ALARMS'
@var SHOWABOUT : Boolean
@var STARTED : Boolean
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
    # the first cycle hides the About text
    cmp     byte ptr [STARTED], 0
    jne     1f
    mov     byte ptr [STARTED], 1
    mov     eax, offset N_ABOUT
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      1f
    call    dword ptr [HIDECONTROL]
1:
    # the bar and the value follow the level
    mov     eax, offset N_LEVELBAR
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      2f
    call    show_level
2:  mov     eax, offset N_LEVELVAL
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      3f
    call    show_level
    mov     eax, 0x00800000             # dark blue, red at the high mark
    cmp     byte ptr [HIGH], 0
    je      21f
    mov     eax, 0x000000FF
21: call    dword ptr [SETCOLOR]
3:
    # a click on Start or Stop becomes the pump command
    call    dword ptr [TOPLBDOWN]
    test    al, al
    jz      5f
    mov     eax, offset N_START
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      4f
    call    dword ptr [IS_ME]
    test    al, al
    jz      4f
    mov     byte ptr [PUMP], 1
4:  mov     eax, offset N_STOP
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      5f
    call    dword ptr [IS_ME]
    test    al, al
    jz      5f
    mov     byte ptr [PUMP], 0
5:
    # the pump lamp: green while the pump runs, grey otherwise
    mov     eax, offset N_LAMP
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      6f
    mov     eax, 0x00808080
    cmp     byte ptr [PUMP], 0
    je      51f
    mov     eax, 0x0000C000
51: call    dword ptr [SETFILLCOLOR]
6:
    # the high-level text blinks while the level is high, and is hidden otherwise
    mov     eax, offset N_HIGH
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      8f
    cmp     byte ptr [HIGH], 0
    je      7f
    cmp     byte ptr [BT_500], 0
    je      8f
    call    dword ptr [CONTROLVISIBLE]
    test    al, al
    jnz     7f
    call    dword ptr [SHOWCONTROL]
    jmp     8f
7:  call    dword ptr [HIDECONTROL]
8:
    # menu item 100, About: shows or hides the About text
    cmp     word ptr [MENUID], 100
    jne     9f
    xor     byte ptr [SHOWABOUT], 1
    mov     eax, offset N_ABOUT
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      9f
    cmp     byte ptr [SHOWABOUT], 0
    je      81f
    call    dword ptr [SHOWCONTROL]
    jmp     9f
81: call    dword ptr [HIDECONTROL]
9:
    # menu item 101, or SHOWCTRL set from outside: opens the screen CONTROLS
    cmp     word ptr [MENUID], 101
    je      91f
    cmp     byte ptr [SHOWCTRL], 0
    je      10f
91: mov     byte ptr [SHOWCTRL], 0
    mov     eax, offset N_CONTROLS
    call    dword ptr [DISPLAY]
10:
    # menu item 102, or SHOWALM set from outside: opens the screen ALARMS
    cmp     word ptr [MENUID], 102
    je      101f
    cmp     byte ptr [SHOWALM], 0
    je      11f
101: mov    byte ptr [SHOWALM], 0
    mov     eax, offset N_ALARMS
    call    dword ptr [DISPLAY]
11: ret
