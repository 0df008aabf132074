# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen MAIN: the GUI cycle runs it once per cycle with MAIN's window
# as the current window. It shows the level in the bar and the value, colours the value red at
# the high mark, turns clicks on the Start and Stop buttons into the pump command, lights the
# pump lamp, blinks the high-level text, shows the About text when the menu asks for it, opens
# the screen CONTROLS from the menu (command 101) or when SHOWCTRL is set, and the screen ALARMS
# from the menu (command 102) or when SHOWALM is set, and the screen DIAGRAMS (the pump's ladder
# diagram and Grafcet chart) from the menu (command 103) or when SHOWDIAG is set. The alarm list
# (ALARMLIST) and the trend
# (LEVELTREND) need no code: their classes fill them; the unit only gives the trend the pump's
# trace, PUMPTRC.
# Printing: menu command 110 prints a shift report (a banner picture, the title, rules, the
# tank's figures and a circle in the pump's colour) through the print queue, and command
# 111 prints a hard copy of this screen.
@uses MVARGLOB
@import variable LEVEL
@import variable PUMP
@import variable HIGH
@import variable BT_500
@import variable MENUID
@import variable SHOWCTRL
@import variable SHOWALM
@import variable SHOWDIAG
@import variable PUMPTRC
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
@var N_DIAGRAMS : String = 'DIAGRAMS'
@var SHOWABOUT : Boolean
@var STARTED : Boolean
@import variable CYCLES
@import variable STATUS
@import function INITPRINTER
@import function FPRINT
@import function PRINTLN
@import function PRINT
@import function PRINTSIZE
@import function PRINTATTR
@import function PRINTFONT
@import function PRINTBITMAP
@import function SETMARGE
@import function SETPEN
@import function PRINTCOLOR
@import function PRINTLINE
@import function PRINTCIRCLE
@import function HARDCOPY
@import function NOW
@import function DATETIMETOSTR
@import function TRUNC
@import function INTTOSTR
@var R_LOGO : String = 'LOGO'
@var R_FONT : String = 'Arial'
@var R_TITLE : String = 'Rapport de poste'
@var R_DATE : String = 'Date : '
@var R_LEVEL : String = 'Niveau de la cuve (%) : '
@var R_PUMP : String = 'Pompe : '
@var R_RUNS : String = 'en marche'
@var R_STOPPED : String = 'arrêtée'
@var R_CYCLES : String = 'Cycles de la cuve : '
@var R_STATUS : String = 'État : '
@var R_TEXT : String
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
    # the pump's trace for the trend: 10 while it runs, 0 while it stands
    xor     eax, eax
    cmp     byte ptr [PUMP], 0
    je      61f
    mov     eax, 10
61: mov     dword ptr [PUMPTRC], eax
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
11:
    # menu item 103, or SHOWDIAG set from outside: opens the screen DIAGRAMS
    cmp     word ptr [MENUID], 103
    je      102f
    cmp     byte ptr [SHOWDIAG], 0
    je      12f
102: mov    byte ptr [SHOWDIAG], 0
    mov     eax, offset N_DIAGRAMS
    call    dword ptr [DISPLAY]
12:
    # menu item 110: the shift report; menu item 111: a hard copy of this screen
    cmp     word ptr [MENUID], 110
    jne     120f
    call    shift_report
120: cmp    word ptr [MENUID], 111
    jne     121f
    call    dword ptr [HARDCOPY]
121: ret

# The shift report, in the printer's units (600 a inch, from the printable page's top left): the
# banner LOGO.Bmp across the page, the title in bold, a rule, the date, the level, the pump, the
# tank's cycles and its status, the pump as a circle (green while it runs, grey when it stands),
# a closing rule. FPRINT hands the page to the printer's worker and returns at once.
shift_report:
    call    dword ptr [INITPRINTER]
    mov     eax, 360
    call    dword ptr [SETMARGE]
    mov     eax, 360
    mov     edx, offset R_LOGO
    call    dword ptr [PRINTBITMAP]
    mov     eax, offset R_FONT
    call    dword ptr [PRINTFONT]
    mov     eax, 18
    call    dword ptr [PRINTSIZE]
    mov     eax, 3                      # bold
    call    dword ptr [PRINTATTR]
    mov     eax, 700
    call    dword ptr [SETPEN]
    mov     eax, offset R_TITLE
    call    dword ptr [PRINTLN]
    push    1000                        # PRINTLINE(360, 1000, 4590, 1000, 6)
    push    6
    mov     eax, 360
    mov     edx, 1000
    mov     ecx, 4590
    call    dword ptr [PRINTLINE]
    mov     eax, 11
    call    dword ptr [PRINTSIZE]
    mov     eax, 1                      # plain
    call    dword ptr [PRINTATTR]
    mov     eax, 1150
    call    dword ptr [SETPEN]
    # the date and time of the report
    mov     eax, offset R_DATE
    call    dword ptr [PRINT]
    call    dword ptr [NOW]
    sub     esp, 12
    fstp    tbyte ptr [esp]
    mov     eax, offset R_TEXT
    call    dword ptr [DATETIMETOSTR]   # removes its 12 bytes
    mov     eax, offset R_TEXT
    call    dword ptr [PRINTLN]
    # the level, in whole percent
    mov     eax, offset R_LEVEL
    call    dword ptr [PRINT]
    sub     esp, 12
    fld     tbyte ptr [LEVEL]
    fstp    tbyte ptr [esp]
    call    dword ptr [TRUNC]           # removes its 12 bytes
    mov     edx, offset R_TEXT
    call    dword ptr [INTTOSTR]
    mov     eax, offset R_TEXT
    call    dword ptr [PRINTLN]
    # the pump
    mov     eax, offset R_PUMP
    call    dword ptr [PRINT]
    mov     eax, offset R_RUNS
    cmp     byte ptr [PUMP], 0
    jne     130f
    mov     eax, offset R_STOPPED
130: call   dword ptr [PRINTLN]
    # the tank's cycles and its status
    mov     eax, offset R_CYCLES
    call    dword ptr [PRINT]
    mov     eax, dword ptr [CYCLES]
    mov     edx, offset R_TEXT
    call    dword ptr [INTTOSTR]
    mov     eax, offset R_TEXT
    call    dword ptr [PRINTLN]
    mov     eax, offset R_STATUS
    call    dword ptr [PRINT]
    mov     eax, offset STATUS
    call    dword ptr [PRINTLN]
    # the pump as a circle in its lamp's colour
    mov     eax, 0x00808080
    cmp     byte ptr [PUMP], 0
    je      131f
    mov     eax, 0x0000C000
131: call   dword ptr [PRINTCOLOR]
    push    12                          # PRINTCIRCLE(4000, 1400, 250, 12)
    mov     eax, 4000
    mov     edx, 1400
    mov     ecx, 250
    call    dword ptr [PRINTCIRCLE]
    xor     eax, eax
    call    dword ptr [PRINTCOLOR]
    push    1800                        # PRINTLINE(360, 1800, 4590, 1800, 3)
    push    3
    mov     eax, 360
    mov     edx, 1800
    mov     ecx, 4590
    call    dword ptr [PRINTLINE]
    call    dword ptr [FPRINT]
    ret
