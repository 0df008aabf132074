# Quorva run-time. Licensed under the MIT licence.
# Guest code for CpuEngineBench (32-bit, GNU as syntax).
        .text

        .globl empty_entry
empty_entry:
        ret

# ECX = n: n calls through trap_cell.
        .globl trap_loop
trap_loop:
        push    %ebx
        mov     %ecx, %ebx
1:      call    *trap_cell
        dec     %ebx
        jnz     1b
        pop     %ebx
        ret

# ECX = n >= 1: for i = 1..n, h = h*31 + i; x = x + 1; s = s + 1/(x*x), all in registers.
# EAX = h, ST(0) = s.
        .globl series_loop
series_loop:
        push    %ebx
        xor     %eax, %eax
        mov     $1, %ebx
        fld1                    # 1
        fldz                    # s
        fldz                    # x
2:      imul    $31, %eax, %eax
        add     %ebx, %eax
        fadd    %st(2), %st     # x += 1
        fld     %st(0)
        fmul    %st(0), %st     # x*x
        fdivr   %st(3), %st     # 1/(x*x)
        faddp   %st, %st(2)     # s += 1/(x*x)
        inc     %ebx
        cmp     %ecx, %ebx
        jbe     2b
        fstp    %st(0)
        fstp    %st(1)
        pop     %ebx
        ret

# The same series with the counter i kept in a memory variable, as compiled unit code keeps
# its variables: one load and one store per step. EDX = address of the variable.
        .globl series_memory_loop
series_memory_loop:
        xor     %eax, %eax
        movl    $1, (%edx)
        fld1
        fldz
        fldz
4:      imul    $31, %eax, %eax
        add     (%edx), %eax
        fadd    %st(2), %st
        fld     %st(0)
        fmul    %st(0), %st
        fdivr   %st(3), %st
        faddp   %st, %st(2)
        incl    (%edx)
        cmp     %ecx, (%edx)
        jbe     4b
        fstp    %st(0)
        fstp    %st(1)
        ret

# ECX = n >= 1: for i = 1..n, h = ((h*31 + i) xor (h >> 7)) + (i & 3). EAX = h.
        .globl integer_loop
integer_loop:
        push    %ebx
        xor     %eax, %eax
        mov     $1, %ebx
3:      mov     %eax, %edx
        shr     $7, %edx
        imul    $31, %eax, %eax
        add     %ebx, %eax
        xor     %edx, %eax
        mov     %ebx, %edx
        and     $3, %edx
        add     %edx, %eax
        inc     %ebx
        cmp     %ecx, %ebx
        jbe     3b
        pop     %ebx
        ret

        .globl trap_cell
trap_cell:
        .long   0
