# Quorva run-time. Licensed under the MIT licence.
# A tank whose level the unit simulates every 100 ms: the pump fills it at INFLOW, the outlet
# drains it at OUTFLOW. At 90 % the high-level flag stops the pump; at 20 % the low-level flag
# starts it again. The operator (or qlink) may switch the pump by writing PUMP. A pump that runs
# while the valve is nearly closed (VALVE below 5 %, set from the screen CONTROLS) raises the
# pump fault PUMPFLT, an alarm of Alarm.OCO: the fault holds the pump off until the valve opens
# again. Each scan also records the measuring point TANK_LOOP for the editor's profiler.
@period 100
@uses MVARGLOB
@import variable LEVEL
@import variable PUMP
@import variable HIGH
@import variable LOW
@import variable INFLOW
@import variable OUTFLOW
@import variable CYCLES
@import variable STATUS
@import variable VALVE
@import variable PUMPFLT
@import variable PUMPSEQ
@var HIGHMARK : Real = 90
@var LOWMARK : Real = 20
@var VALVEMIN : Real = 5
@var FILLING : String = 'filling'
@var DRAINING : String = 'draining'
@import function PSTRCPY
@import function PROFILERADD
@var POINTNAME : String = 'TANK_LOOP'
@main scan

.intel_syntax noprefix
.text
scan:
    inc     dword ptr [CYCLES]
    fld     tbyte ptr [LEVEL]
    cmp     byte ptr [PUMP], 0
    je      1f
    fld     tbyte ptr [INFLOW]
    faddp   st(1), st
    jmp     2f
1:  fld     tbyte ptr [OUTFLOW]
    fsubp   st(1), st
2:  ftst                                # never below empty
    fnstsw  ax
    sahf
    jae     3f
    fstp    st(0)
    fldz
3:  fld     st(0)
    fstp    tbyte ptr [LEVEL]
    # high mark reached: stop the pump
    fld     tbyte ptr [HIGHMARK]
    fcomip  st, st(1)
    ja      4f
    mov     byte ptr [HIGH], 1
    mov     byte ptr [PUMP], 0
    jmp     5f
4:  mov     byte ptr [HIGH], 0
5:  fld     tbyte ptr [LOWMARK]
    fcomip  st, st(1)
    jb      6f
    mov     byte ptr [LOW], 1
    mov     byte ptr [PUMP], 1
    jmp     7f
6:  mov     byte ptr [LOW], 0
7:  fstp    st(0)
    # the pump fault: set while the pump runs against the closed valve, cleared when the valve
    # opens; while it is set the pump stays off
    fld     tbyte ptr [VALVEMIN]
    fld     tbyte ptr [VALVE]
    fcomip  st, st(1)
    fstp    st(0)
    jae     21f
    cmp     byte ptr [PUMP], 0
    je      22f
    mov     byte ptr [PUMPFLT], 1
    jmp     22f
21: mov     byte ptr [PUMPFLT], 0
22: cmp     byte ptr [PUMPFLT], 0
    je      23f
    mov     byte ptr [PUMP], 0
23:
    # the steps of the pump sequence (the Grafcet chart PUMPSEQ): 1 while the pump fills, 2 while
    # the outlet drains, 3 while the fault holds the pump off; the initial step 0 is left at once
    mov     byte ptr [PUMPSEQ], 0
    mov     al, byte ptr [PUMP]
    mov     byte ptr [PUMPSEQ+1], al
    mov     al, byte ptr [PUMPFLT]
    mov     byte ptr [PUMPSEQ+3], al
    or      al, byte ptr [PUMP]
    sete    byte ptr [PUMPSEQ+2]
    # the status text follows the pump
    mov     eax, offset STATUS
    mov     edx, offset FILLING
    cmp     byte ptr [PUMP], 0
    jne     8f
    mov     edx, offset DRAINING
8:  call    dword ptr [PSTRCPY]
    # a measuring point for the editor's profiler: the time since the last one
    mov     eax, offset POINTNAME
    xor     edx, edx
    call    dword ptr [PROFILERADD]
    ret
