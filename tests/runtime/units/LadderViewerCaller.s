# Quorva run-time. Licensed under the MIT licence.
# A unit that drives the ladder viewer through the entry cells of the WINLADDER functions, as a
# screen's unit does. The host fills NAME and runs one procedure.
@noncyclic
@var NAME : String
@import function WINLADDER
@import function WINLADDERREFRESH
@import function WINLADDERZOOMIN
@import function WINLADDERZOOMOUT
@import function WINLADDERCLEAR
@procedure DoLadder = do_ladder
@procedure DoRefresh = do_refresh
@procedure DoZoomIn = do_zoomin
@procedure DoZoomOut = do_zoomout
@procedure DoClear = do_clear

.intel_syntax noprefix
.text
# WINLADDER(NAME): the String's address in EAX.
do_ladder:
    mov     eax, offset NAME
    call    dword ptr [WINLADDER]
    ret
do_refresh:
    call    dword ptr [WINLADDERREFRESH]
    ret
do_zoomin:
    call    dword ptr [WINLADDERZOOMIN]
    ret
do_zoomout:
    call    dword ptr [WINLADDERZOOMOUT]
    ret
do_clear:
    call    dword ptr [WINLADDERCLEAR]
    ret
