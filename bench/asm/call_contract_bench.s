# Quorva run-time. Licensed under the MIT licence.
# ECX = n, EDX = address of an entry cell: n calls of a two-argument Integer function through
# the cell, as compiled units make them (arguments in EAX and EDX, the result in EAX).
        .intel_syntax noprefix
        .text
        .code32
        .globl call_loop
call_loop:
        push    ebx
        push    esi
        mov     ebx, ecx
        mov     esi, edx
1:      mov     eax, ebx
        mov     edx, 3
        call    dword ptr [esi]
        dec     ebx
        jnz     1b
        pop     esi
        pop     ebx
        ret
