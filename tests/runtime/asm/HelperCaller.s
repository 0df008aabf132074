# Quorva run-time. Licensed under the MIT licence.
# Calls one helper routine with chosen registers and x87 values, and records the registers it
# returns with. EBP points at a block:
#    0 target address          4 EAX  8 EBX  12 ECX  16 EDX  20 ESI  24 EDI
#   28 number of x87 inputs (0..2)   32 ST(1) input (10 bytes)   48 ST(0) input (10 bytes)
#   64 EAX  68 EBX  72 ECX  76 EDX  80 ESI  84 EDI  88 EBP after the call
#   92 ESP after the call minus ESP before it (0 when the helper keeps the stack balanced)
        .intel_syntax noprefix
        .text
        .code32
        .globl call_helper
call_helper:
        mov     ecx, [ebp + 28]
        cmp     ecx, 2
        jb      1f
        fld     tbyte ptr [ebp + 32]
1:      cmp     ecx, 1
        jb      2f
        fld     tbyte ptr [ebp + 48]
2:      push    ebp
        mov     [ebp + 92], esp
        mov     eax, [ebp + 4]
        mov     ebx, [ebp + 8]
        mov     ecx, [ebp + 12]
        mov     edx, [ebp + 16]
        mov     esi, [ebp + 20]
        mov     edi, [ebp + 24]
        call    dword ptr [ebp]
        push    eax
        mov     eax, [esp + 4]          # the block, as pushed before the call
        mov     [eax + 68], ebx
        mov     [eax + 72], ecx
        mov     [eax + 76], edx
        mov     [eax + 80], esi
        mov     [eax + 84], edi
        mov     [eax + 88], ebp
        pop     ecx
        mov     [eax + 64], ecx
        lea     ecx, [esp]
        sub     ecx, [eax + 92]
        mov     [eax + 92], ecx
        pop     ebp
        ret

# ECX = n >= 1, EDX = a cell: stores n, n-1 ... 1 into it, as unit code writes a variable.
        .globl store_loop
store_loop:
        mov     [edx], ecx
        dec     ecx
        jnz     store_loop
        ret
