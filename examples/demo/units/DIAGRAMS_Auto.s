# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen DIAGRAMS, run once per GUI cycle with its window as the
# current window. On its first cycle it loads the ladder diagram PUMP.lad over the figure LADDER
# and the Grafcet chart PUMPSEQ.Gr7 over the figure CHART; every cycle it refreshes both, so that
# the contacts and coils that conduct are shaded and the active steps of the pump sequence
# (the global Booleans PUMPSEQ[0..3]) are marked.
@import function COMMUT_FIG
@import function WINLADDER
@import function WINLADDERREFRESH
@import function WINGRAFCET
@import function WINGRAFCETREFRESH
@var N_LADDER : String = 'LADDER'
@var N_CHART : String = 'CHART'
@var F_LADDER : String = 'PUMP'
@var F_CHART : String = 'PUMPSEQ'
@var LOADED : Byte
@main cycle

.intel_syntax noprefix
.text
cycle:
    mov     eax, offset N_LADDER
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      1f
    cmp     byte ptr [LOADED], 0
    jne     2f
    mov     eax, offset F_LADDER
    call    dword ptr [WINLADDER]
2:  call    dword ptr [WINLADDERREFRESH]
1:  mov     eax, offset N_CHART
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      3f
    cmp     byte ptr [LOADED], 0
    jne     4f
    mov     eax, offset F_CHART
    call    dword ptr [WINGRAFCET]
4:  call    dword ptr [WINGRAFCETREFRESH]
3:  mov     byte ptr [LOADED], 1
    ret
