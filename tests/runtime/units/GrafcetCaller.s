# Quorva run-time. Licensed under the MIT licence.
# A unit that drives the Grafcet viewer through its entry cells, as a screen's unit does. The host
# fills NAME and runs one procedure.
@noncyclic
@var NAME : String
@import function WINGRAFCET
@import function WINGRAFCETREFRESH
@import function WINGRAFCETZOOMIN
@import function WINGRAFCETZOOMOUT
@import function WINGRAFCETCLEAR
@procedure DoLoad = do_load
@procedure DoRefresh = do_refresh
@procedure DoZoomIn = do_zoomin
@procedure DoZoomOut = do_zoomout
@procedure DoClear = do_clear

.intel_syntax noprefix
.text
# WINGRAFCET(NAME): the String's address in EAX.
do_load:
    mov     eax, offset NAME
    call    dword ptr [WINGRAFCET]
    ret
do_refresh:
    call    dword ptr [WINGRAFCETREFRESH]
    ret
do_zoomin:
    call    dword ptr [WINGRAFCETZOOMIN]
    ret
do_zoomout:
    call    dword ptr [WINGRAFCETZOOMOUT]
    ret
do_clear:
    call    dword ptr [WINGRAFCETCLEAR]
    ret
