# Quorva run-time. Licensed under the MIT licence.
# A unit that drives a program trend chart through CUSTOMTREND and the T functions' entry cells,
# as a screen's automatic unit does. The host fills the inputs, runs one procedure and reads the
# outputs. DrawProc is a drawing procedure that copies what the chart tells it; BadProc faults.
@noncyclic
@var DIVX : Integer
@var DIVY : Integer
@var SUBX : Integer
@var SUBY : Integer
@var LOW : Real
@var HIGH : Real
@var HANDLE : Integer
@var PENCIL : Integer
@var XPOS : Integer
@var VALUE : Real
@var COLOUR : Integer
@var FLAG : Boolean
@var TEXT : String
@var GRADU : String
@var NPTX : Integer
@var NPTY : Integer
@var DIVXOUT : Integer
@var YMIN : Real
@var YMAX : Real
@var INTERX : Real
@var SEL : Integer
@var MOUSEVALUE : Real
@var MOUSEPOINT : Integer
@var MOVED : Integer
@var BMP : Integer
# What DrawProc saw: calls, the parameter block's address, its fields, and TGETNPTX inside it.
@var CALLS : Integer
@var BLOCK : Integer
@var PX : Integer
@var PY : Integer
@var PPREVX : Integer
@var PPENCIL : Integer
@var PCOLOUR : Integer
@var PFIRST : Integer
@var PLAST : Integer
@var PVALUE : Real
@var PNPTX : Integer
@import function CUSTOMTREND
@import function TSETPENCILCOLOR
@import function TSETPOINT
@import function TSETLRANGEY
@import function TSETHRANGEY
@import function TSETTEXTX
@import function TGETGRADUX
@import function TSETBORDERRIGHT
@import function TGETNPTX
@import function TGETNPTY
@import function TGETDIVX
@import function TSETDIVX
@import function TGETYMIN
@import function TGETYMAX
@import function TGETINTERX
@import function TSETCOEF
@import function TGETSELECTION
@import function TYMOUSE
@import function TPTXMOUSE
@import function TMOUSEMOVE
@import function TENABLEDISPLAY
@import function TREGISTERPROC
@import function TGETHANDLEBMP
@import function TSETHLEVEL
@import function TSETHLEVELCOL
@procedure DoCreate = do_create
@procedure DoPencil = do_pencil
@procedure DoPoint = do_point
@procedure DoLow = do_low
@procedure DoHigh = do_high
@procedure DoText = do_text
@procedure DoBorder = do_border
@procedure DoRead = do_read
@procedure DoCoef = do_coef
@procedure DoSelection = do_selection
@procedure DoMouse = do_mouse
@procedure DoDisplay = do_display
@procedure DoRegister = do_register
@procedure DoRegisterBad = do_register_bad
@procedure DoUnregister = do_unregister
@procedure DoBitmap = do_bitmap
@procedure DoLevel = do_level
@procedure DrawProc = draw_proc
@procedure BadProc = bad_proc

.intel_syntax noprefix
.text
# CUSTOMTREND(DIVX, DIVY, SUBX, SUBY, LOW, HIGH): three Integers in EAX, EDX, ECX; SUBY, then the
# two Reals (12 bytes each) on the stack in that order.
do_create:
    push    dword ptr [SUBY]
    sub     esp, 12
    fld     tbyte ptr [LOW]
    fstp    tbyte ptr [esp]
    sub     esp, 12
    fld     tbyte ptr [HIGH]
    fstp    tbyte ptr [esp]
    mov     eax, dword ptr [DIVX]
    mov     edx, dword ptr [DIVY]
    mov     ecx, dword ptr [SUBX]
    call    dword ptr [CUSTOMTREND]
    mov     dword ptr [HANDLE], eax
    ret
do_pencil:
    mov     eax, dword ptr [PENCIL]
    mov     edx, dword ptr [COLOUR]
    call    dword ptr [TSETPENCILCOLOR]
    ret
# TSETPOINT(PENCIL, XPOS, VALUE): the Real on the stack.
do_point:
    sub     esp, 12
    fld     tbyte ptr [VALUE]
    fstp    tbyte ptr [esp]
    mov     eax, dword ptr [PENCIL]
    mov     edx, dword ptr [XPOS]
    call    dword ptr [TSETPOINT]
    ret
do_low:
    sub     esp, 12
    fld     tbyte ptr [VALUE]
    fstp    tbyte ptr [esp]
    call    dword ptr [TSETLRANGEY]
    ret
do_high:
    sub     esp, 12
    fld     tbyte ptr [VALUE]
    fstp    tbyte ptr [esp]
    call    dword ptr [TSETHRANGEY]
    ret
# TSETTEXTX(XPOS, TEXT), then TGETGRADUX(XPOS) -> GRADU (the result buffer in EDX).
do_text:
    mov     eax, dword ptr [XPOS]
    mov     edx, offset TEXT
    call    dword ptr [TSETTEXTX]
    mov     eax, dword ptr [XPOS]
    mov     edx, offset GRADU
    call    dword ptr [TGETGRADUX]
    ret
do_border:
    mov     eax, dword ptr [XPOS]
    call    dword ptr [TSETBORDERRIGHT]
    ret
# Reads the layout back; TSETDIVX(DIVX) first when DIVX is not 0.
do_read:
    mov     eax, dword ptr [DIVX]
    test    eax, eax
    jz      1f
    call    dword ptr [TSETDIVX]
1:
    call    dword ptr [TGETNPTX]
    mov     dword ptr [NPTX], eax
    call    dword ptr [TGETNPTY]
    mov     dword ptr [NPTY], eax
    call    dword ptr [TGETDIVX]
    mov     dword ptr [DIVXOUT], eax
    call    dword ptr [TGETYMIN]
    fstp    tbyte ptr [YMIN]
    call    dword ptr [TGETYMAX]
    fstp    tbyte ptr [YMAX]
    call    dword ptr [TGETINTERX]
    fstp    tbyte ptr [INTERX]
    ret
do_coef:
    sub     esp, 12
    fld     tbyte ptr [VALUE]
    fstp    tbyte ptr [esp]
    mov     eax, dword ptr [PENCIL]
    call    dword ptr [TSETCOEF]
    ret
do_selection:
    call    dword ptr [TGETSELECTION]
    mov     dword ptr [SEL], eax
    ret
do_mouse:
    call    dword ptr [TYMOUSE]
    fstp    tbyte ptr [MOUSEVALUE]
    call    dword ptr [TPTXMOUSE]
    mov     dword ptr [MOUSEPOINT], eax
    call    dword ptr [TMOUSEMOVE]
    movzx   eax, al
    mov     dword ptr [MOVED], eax
    ret
do_display:
    mov     eax, 0xFFFFFF00
    mov     al, byte ptr [FLAG]
    call    dword ptr [TENABLEDISPLAY]
    ret
# The unit's own procedures' addresses are in their entry cells.
do_register:
    mov     eax, dword ptr [DRAWPROC]
    call    dword ptr [TREGISTERPROC]
    ret
do_register_bad:
    mov     eax, dword ptr [BADPROC]
    call    dword ptr [TREGISTERPROC]
    ret
do_unregister:
    xor     eax, eax
    call    dword ptr [TREGISTERPROC]
    ret
do_bitmap:
    call    dword ptr [TGETHANDLEBMP]
    mov     dword ptr [BMP], eax
    ret
do_level:
    sub     esp, 12
    fld     tbyte ptr [VALUE]
    fstp    tbyte ptr [esp]
    call    dword ptr [TSETHLEVEL]
    mov     eax, dword ptr [COLOUR]
    call    dword ptr [TSETHLEVELCOL]
    ret
# The drawing procedure: EAX holds the parameter block's address. EBX is the unit's to keep.
draw_proc:
    push    ebx
    mov     ebx, eax
    inc     dword ptr [CALLS]
    mov     dword ptr [BLOCK], ebx
    mov     eax, dword ptr [ebx + 4]
    mov     dword ptr [PX], eax
    mov     eax, dword ptr [ebx + 8]
    mov     dword ptr [PY], eax
    mov     eax, dword ptr [ebx + 12]
    mov     dword ptr [PCOLOUR], eax
    mov     eax, dword ptr [ebx + 24]
    mov     dword ptr [PPREVX], eax
    mov     eax, dword ptr [ebx + 32]
    mov     dword ptr [PPENCIL], eax
    movzx   eax, byte ptr [ebx + 36]
    mov     dword ptr [PFIRST], eax
    movzx   eax, byte ptr [ebx + 37]
    mov     dword ptr [PLAST], eax
    fld     tbyte ptr [ebx + 40]
    fstp    tbyte ptr [PVALUE]
    call    dword ptr [TGETNPTX]
    mov     dword ptr [PNPTX], eax
    pop     ebx
    ret
# Writes to guest page 0, which is never mapped.
bad_proc:
    inc     dword ptr [CALLS]
    mov     dword ptr [0x10], 1
    ret
