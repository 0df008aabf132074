# Quorva run-time. Licensed under the MIT licence.
# The code-generation helpers that compiled units call through their entry cells. Each has a
# private register contract; besides what each one lists, EBX, ESI, EDI and EBP are preserved.
# The code is position-independent: it is copied to a guest address chosen at start-up.

        .intel_syntax noprefix
        .text
        .code32

# EAX := EAX rem ESI (signed, truncating; the sign of the dividend). Keeps EDX.
# The one quotient that overflows (-2147483648 / -1) has remainder 0 and is not divided.
        .globl MOD
MOD:
        cmp     esi, -1
        je      1f
        push    edx
        cdq
        idiv    esi
        mov     eax, edx
        pop     edx
        ret
1:      xor     eax, eax
        ret

# EAX := EAX shifted left / right (logically) by ESI mod 32. Keep ECX.
        .globl SHL
SHL:
        push    ecx
        mov     ecx, esi
        shl     eax, cl
        pop     ecx
        ret

        .globl SHR
SHR:
        push    ecx
        mov     ecx, esi
        shr     eax, cl
        pop     ecx
        ret

# EAX := EAX or / and / xor ESI. Keep every other register.
        .globl ORINT
ORINT:
        or      eax, esi
        ret

        .globl ANDINT
ANDINT:
        and     eax, esi
        ret

        .globl XORINT
XORINT:
        xor     eax, esi
        ret

# ST(1) / ST(0), both popped, the quotient pushed; 0 when the divisor is 0. Uses AX.
        .globl DIVZERO
DIVZERO:
        ftst
        fnstsw  ax
        and     ah, 0x45
        cmp     ah, 0x40
        je      1f
        .byte   0xDE, 0xF9              # fdivp st(1), st(0): ST(1) := ST(1) / ST(0), pop
        ret
1:      fstp    st(0)
        fstp    st(0)
        fldz
        ret

# ST(0) popped and rounded (halves to even) into EAX / ESI. Keep every other register.
        .globl EXT2INT
EXT2INT:
        sub     esp, 4
        fistp   dword ptr [esp]
        pop     eax
        ret

        .globl EXT2INTESI
EXT2INTESI:
        sub     esp, 4
        fistp   dword ptr [esp]
        pop     esi
        ret

# EAX := the byte / 16-bit word at ESI, zero-extended; the same value is pushed on ST.
        .globl BYTE2INT
BYTE2INT:
        movzx   eax, byte ptr [esi]
        push    eax
        fild    dword ptr [esp]
        lea     esp, [esp + 4]
        ret

        .globl WORD2INT
WORD2INT:
        movzx   eax, word ptr [esi]
        push    eax
        fild    dword ptr [esp]
        lea     esp, [esp + 4]
        ret

# Pushes EAX / ESI (signed) on ST.
        .globl EAX2REAL
EAX2REAL:
        push    eax
        fild    dword ptr [esp]
        lea     esp, [esp + 4]
        ret

        .globl ESI2REAL
ESI2REAL:
        push    esi
        fild    dword ptr [esp]
        lea     esp, [esp + 4]
        ret

# ST(0) popped and rounded into EAX (the caller uses AL).
        .globl INT2BYTE
INT2BYTE:
        sub     esp, 4
        fistp   dword ptr [esp]
        pop     eax
        ret

# ST(0) popped and stored at ESI, clamped: the high limit when the value is at least the limit
# or not a number, the low limit when at most the low limit, else the value rounded (halves to
# even). Keep EAX.
# The byte and word stores differ only in their high limit and their width.
.macro STORE_CLAMPED high, width, register
        push    eax
        push    \high
        fild    dword ptr [esp]         # ST0 = the high limit, ST1 = value
        fcomip  st, st(1)
        jp      2f                      # not a number
        jbe     2f                      # limit <= value
        fldz
        fcomip  st, st(1)
        jae     3f                      # 0 >= value
        fistp   dword ptr [esp]
        mov     eax, [esp]
        mov     \width ptr [esi], \register
        jmp     4f
2:      fstp    st(0)
        mov     \width ptr [esi], \high
        jmp     4f
3:      fstp    st(0)
        mov     \width ptr [esi], 0
4:      add     esp, 4
        pop     eax
        ret
.endm

        .globl STOREBYTEORMAXBYTE
STOREBYTEORMAXBYTE:
        STORE_CLAMPED 255, byte, al

        .globl STOREWORDORMAXWORD
STOREWORDORMAXWORD:
        STORE_CLAMPED 65535, word, ax

        .globl STOREINTORMAXINTEGER
STOREINTORMAXINTEGER:
        push    eax
        push    2147483647
        fild    dword ptr [esp]
        fcomip  st, st(1)
        jp      2f
        jbe     2f
        mov     dword ptr [esp], -2147483648
        fild    dword ptr [esp]
        fcomip  st, st(1)
        jae     3f
        fistp   dword ptr [esp]
        mov     eax, [esp]
        mov     dword ptr [esi], eax
        jmp     4f
2:      fstp    st(0)
        mov     dword ptr [esi], 2147483647
        jmp     4f
3:      fstp    st(0)
        mov     dword ptr [esi], -2147483648
4:      add     esp, 4
        pop     eax
        ret

# String helpers. Strings are a length byte and up to 255 characters.

# Copies the String at EDX (length byte and characters) to EAX; EDX := destination.
        .globl PSTRCPY
PSTRCPY:
        push    esi
        push    edi
        cld
        mov     esi, edx
        mov     edi, eax
        movzx   ecx, byte ptr [esi]
        inc     ecx
        rep movsb
        mov     edx, eax
        pop     edi
        pop     esi
        ret

# Appends the String at EDX to the String at EAX, cut at 255 characters; EDX := destination.
        .globl PSTRCAT
PSTRCAT:
        push    esi
        push    edi
        cld
        movzx   ecx, byte ptr [edx]     # source length
        movzx   edi, byte ptr [eax]     # old length
        lea     esi, [edi + ecx]
        cmp     esi, 255
        jbe     1f
        mov     ecx, 255
        sub     ecx, edi                # only what still fits
        mov     esi, 255
1:      push    esi                     # the new length
        lea     edi, [eax + edi + 1]
        lea     esi, [edx + 1]
        rep movsb
        pop     ecx
        mov     byte ptr [eax], cl
        mov     edx, eax
        pop     edi
        pop     esi
        ret

# AL := 1 when the Strings at EAX and EDX have the same length and bytes, else 0.
        .globl PSTRCMP
PSTRCMP:
        push    esi
        push    edi
        cld
        mov     esi, eax
        mov     edi, edx
        movzx   ecx, byte ptr [esi]
        inc     ecx                     # the length byte is compared first
        repe cmpsb
        mov     eax, 0
        sete    al
        pop     edi
        pop     esi
        ret

# EAX := the one-character String holding character BL of the String at EDX (index 0 gives the
# length byte); EDX := destination; EBX keeps only its low 8 bits. Keeps ECX.
        .globl PSTRCPYX
PSTRCPYX:
        push    ecx
        movzx   ebx, bl
        mov     cl, byte ptr [edx + ebx]
        mov     byte ptr [eax], 1
        mov     byte ptr [eax + 1], cl
        mov     edx, eax
        pop     ecx
        ret

# Appends character EBX of the String at EDX to the String at EAX; EDX := destination.
# A destination that already holds 255 characters is left as it is. Keeps ECX and EDI.
        .globl PSTRCATX
PSTRCATX:
        push    ecx
        push    esi
        movzx   esi, byte ptr [edx + ebx]
        movzx   ecx, byte ptr [eax]
        cmp     ecx, 255
        jae     1f
        inc     ecx
        mov     byte ptr [eax], cl
        mov     edx, esi
        mov     byte ptr [eax + ecx], dl
1:      mov     edx, eax
        pop     esi
        pop     ecx
        ret

# Character BL of the String at EAX := character 1 of the String at EDX; when BL is past the
# destination's length, the length becomes BL. BH is cleared; ECX and EDX change.
        .globl PSTRAFFECTX
PSTRAFFECTX:
        xor     bh, bh
        movzx   ecx, bl
        mov     dl, byte ptr [edx + 1]
        mov     byte ptr [eax + ecx], dl
        cmp     cl, byte ptr [eax]
        jbe     1f
        mov     byte ptr [eax], cl
1:      ret
