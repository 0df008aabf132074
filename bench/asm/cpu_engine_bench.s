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

# ECX = n >= 1, ESI = two cells of the global block (a counter and an accumulator, both 0 at
# the start). One step, with every variable in memory as compiled unit code keeps them: the
# counter is loaded, incremented and stored, the accumulator gets counter*3 + a local, and the
# local (on the stack) gets counter & 7. EAX = the accumulator.
        .globl memory_loop
memory_loop:
        push    %ebp
        mov     %esp, %ebp
        sub     $4, %esp
        movl    $0, -4(%ebp)
5:      mov     (%esi), %eax
        inc     %eax
        mov     %eax, (%esi)
        lea     (%eax,%eax,2), %edx
        add     -4(%ebp), %edx
        add     %edx, 4(%esi)
        and     $7, %eax
        add     %eax, -4(%ebp)
        dec     %ecx
        jnz     5b
        mov     4(%esi), %eax
        leave
        ret

# The same step as a procedure with a stack frame of its own, called once per step: ECX = n,
# ESI = the two cells. The caller's local is passed by reference in EAX, the cells' address
# on the stack (callee-clean). EAX = the accumulator.
        .globl call_frame_loop
call_frame_loop:
        push    %ebp
        mov     %esp, %ebp
        sub     $4, %esp
        push    %ebx
        mov     %ecx, %ebx
        movl    $0, -4(%ebp)
6:      lea     -4(%ebp), %eax
        push    %esi
        call    frame_step
        dec     %ebx
        jnz     6b
        pop     %ebx
        mov     4(%esi), %eax
        leave
        ret

# One step: EAX = address of the local, [ESP+4] = address of the cells. Keeps the counter in a
# local of its own frame.
frame_step:
        push    %ebp
        mov     %esp, %ebp
        sub     $4, %esp
        mov     8(%ebp), %ecx
        mov     (%ecx), %edx
        inc     %edx
        mov     %edx, (%ecx)
        mov     %edx, -4(%ebp)
        lea     (%edx,%edx,2), %edx
        add     (%eax), %edx
        add     %edx, 4(%ecx)
        mov     -4(%ebp), %edx
        and     $7, %edx
        add     %edx, (%eax)
        leave
        ret     $4

        .globl trap_cell
trap_cell:
        .long   0
