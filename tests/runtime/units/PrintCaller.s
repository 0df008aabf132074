# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the printing functions through their entry cells, following the calling
# contract. The host fills the inputs (S1, S2, I1 ... I5, FLAG), runs one procedure and reads
# IRES.
@var S1 : String
@var S2 : String
@var I1 : Integer
@var I2 : Integer
@var I3 : Integer
@var I4 : Integer
@var I5 : Integer
@var FLAG : Boolean
@var IRES : Integer
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
@import function FORMFEED
@import function GETMAXLINES
@import function PRINTCOLOR
@import function PRINTLINE
@import function PRINTCIRCLE
@import function HPRINTTEXT
@import function LPRINTTEXT
@import function SETPRINTERFORMAT
@import function SETPRINTERINDEX
@import function GETPRINTERINDEX
@procedure DoInit = do_init
@procedure DoFPrint = do_fprint
@procedure DoPrintLn = do_println
@procedure DoPrint = do_print
@procedure DoSize = do_size
@procedure DoAttr = do_attr
@procedure DoFont = do_font
@procedure DoBitmap = do_bitmap
@procedure DoMarge = do_marge
@procedure DoPen = do_pen
@procedure DoFormFeed = do_formfeed
@procedure DoMaxLines = do_maxlines
@procedure DoColor = do_color
@procedure DoLine = do_line
@procedure DoCircle = do_circle
@procedure DoHText = do_htext
@procedure DoLText = do_ltext
@procedure DoFormat = do_format
@procedure DoSetIndex = do_setindex
@procedure DoGetIndex = do_getindex

.intel_syntax noprefix
.text
do_init:
    call    dword ptr [INITPRINTER]
    ret
do_fprint:
    call    dword ptr [FPRINT]
    ret
# PRINTLN(S1), PRINT(S1), PRINTFONT(S1): the String's address in EAX.
do_println:
    mov     eax, offset S1
    call    dword ptr [PRINTLN]
    ret
do_print:
    mov     eax, offset S1
    call    dword ptr [PRINT]
    ret
do_font:
    mov     eax, offset S1
    call    dword ptr [PRINTFONT]
    ret
# One Integer in EAX.
do_size:
    mov     eax, dword ptr [I1]
    call    dword ptr [PRINTSIZE]
    ret
do_attr:
    mov     eax, dword ptr [I1]
    call    dword ptr [PRINTATTR]
    ret
do_marge:
    mov     eax, dword ptr [I1]
    call    dword ptr [SETMARGE]
    ret
do_pen:
    mov     eax, dword ptr [I1]
    call    dword ptr [SETPEN]
    ret
do_color:
    mov     eax, dword ptr [I1]
    call    dword ptr [PRINTCOLOR]
    ret
do_setindex:
    mov     eax, dword ptr [I1]
    call    dword ptr [SETPRINTERINDEX]
    ret
do_formfeed:
    call    dword ptr [FORMFEED]
    ret
# PRINTBITMAP(I1, S1): the Integer in EAX, the String's address in EDX.
do_bitmap:
    mov     eax, dword ptr [I1]
    mov     edx, offset S1
    call    dword ptr [PRINTBITMAP]
    ret
# GETMAXLINES(S2, I1): Integer result in EAX.
do_maxlines:
    mov     eax, offset S2
    mov     edx, dword ptr [I1]
    call    dword ptr [GETMAXLINES]
    mov     dword ptr [IRES], eax
    ret
# PRINTLINE(I1, I2, I3, I4, I5): three in registers, the fourth and fifth pushed in order.
do_line:
    push    dword ptr [I4]
    push    dword ptr [I5]
    mov     eax, dword ptr [I1]
    mov     edx, dword ptr [I2]
    mov     ecx, dword ptr [I3]
    call    dword ptr [PRINTLINE]
    ret
# PRINTCIRCLE(I1, I2, I3, I4): the pen width on the stack.
do_circle:
    push    dword ptr [I4]
    mov     eax, dword ptr [I1]
    mov     edx, dword ptr [I2]
    mov     ecx, dword ptr [I3]
    call    dword ptr [PRINTCIRCLE]
    ret
# HPRINTTEXT(S1, S2, I1) and LPRINTTEXT(S1, S2, I1): all three in registers.
do_htext:
    mov     eax, offset S1
    mov     edx, offset S2
    mov     ecx, dword ptr [I1]
    call    dword ptr [HPRINTTEXT]
    mov     dword ptr [IRES], eax
    ret
do_ltext:
    mov     eax, offset S1
    mov     edx, offset S2
    mov     ecx, dword ptr [I1]
    call    dword ptr [LPRINTTEXT]
    mov     dword ptr [IRES], eax
    ret
# SETPRINTERFORMAT(FLAG): the Boolean in AL, the rest of EAX garbage.
do_format:
    mov     eax, 0xABCDEF00
    mov     al, byte ptr [FLAG]
    call    dword ptr [SETPRINTERFORMAT]
    ret
do_getindex:
    call    dword ptr [GETPRINTERINDEX]
    mov     dword ptr [IRES], eax
    ret
