# Quorva run-time. Licensed under the MIT licence.
# A unit that drives the current window's figures through the screen commands' entry cells, as a
# screen's automatic unit does. The host fills NAME and X, runs one procedure and reads OK, RES,
# VALUE and TEXT.
@var NAME : String
@var TEXT : String
@var X : Integer
@var OK : Integer
@var RES : Integer
@var VALUE : Real
@import function COMMUT_FIG
@import function GO2
@import function SETXORG
@import function GETXFIN
@import function GETVALUE
@import function GETLINE
@import function GETPARENTNAME
@procedure DoSelect = do_select
@procedure DoGo2 = do_go2
@procedure DoMove = do_move
@procedure DoValue = do_value
@procedure DoLine = do_line
@procedure DoParent = do_parent

.intel_syntax noprefix
.text
do_select:
    mov     eax, offset NAME
    call    dword ptr [COMMUT_FIG]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
do_go2:
    mov     eax, offset NAME
    call    dword ptr [GO2]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
# SETXORG(X), then GETXFIN -> RES.
do_move:
    mov     eax, dword ptr [X]
    call    dword ptr [SETXORG]
    call    dword ptr [GETXFIN]
    mov     dword ptr [RES], eax
    ret
do_value:
    call    dword ptr [GETVALUE]
    fstp    tbyte ptr [VALUE]
    ret
# GETLINE(TEXT + hidden highest index, X): the var String and its highest index take EAX and
# EDX, the line number ECX.
do_line:
    mov     eax, offset TEXT
    mov     edx, 255
    mov     ecx, dword ptr [X]
    call    dword ptr [GETLINE]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
# GETPARENTNAME -> TEXT: the result buffer in EAX.
do_parent:
    mov     eax, offset TEXT
    call    dword ptr [GETPARENTNAME]
    ret
