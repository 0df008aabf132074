# Quorva run-time. Licensed under the MIT licence.
# Guest code for CpuEngineTest (32-bit, GNU as syntax). Addresses of cells are filled in by the
# test after placing the code.
        .text

# EAX := EAX + EBX + ECX + EDX + ESI + EDI + EBP; the other registers rotated
# (EBX <- ECX <- EDX <- ESI <- EDI <- EBP <- old EBX).
        .globl sum_and_rotate
sum_and_rotate:
        push    %eax
        add     %ebx, %eax
        add     %ecx, %eax
        add     %edx, %eax
        add     %esi, %eax
        add     %edi, %eax
        add     %ebp, %eax
        mov     %ebx, (%esp)
        mov     %ecx, %ebx
        mov     %edx, %ecx
        mov     %esi, %edx
        mov     %edi, %esi
        mov     %ebp, %edi
        pop     %ebp
        ret

# Three stack arguments a, b, c pushed in that order: EAX := a*100 + b*10 + c; callee-clean.
        .globl three_arguments
three_arguments:
        mov     12(%esp), %eax
        imul    $10, %eax, %eax
        add     8(%esp), %eax
        imul    $10, %eax, %eax
        add     4(%esp), %eax
        ret     $12

# Overwrites every general register but ESP.
        .globl trash_registers
trash_registers:
        mov     $0xDEAD0001, %eax
        mov     $0xDEAD0002, %ebx
        mov     $0xDEAD0003, %ecx
        mov     $0xDEAD0004, %edx
        mov     $0xDEAD0005, %esi
        mov     $0xDEAD0006, %edi
        mov     $0xDEAD0007, %ebp
        ret

        .globl empty_entry
empty_entry:
        ret

# Faults, each at a label of its own.
        .globl write_page_zero
write_page_zero:
        movl    $1, 0x10
        ret

        .globl write_gap
write_gap:
        movl    $1, 0x30000000
        ret

        .globl read_gap
read_gap:
        mov     0x00500000, %eax
        ret

        .globl invalid_instruction
invalid_instruction:
        ud2
        ret

        .globl divide_by_zero
divide_by_zero:
        xor     %ecx, %ecx
        mov     $5, %eax
        cltd
        .globl divide_instruction
divide_instruction:
        idiv    %ecx
        ret

        .globl recurse_forever
recurse_forever:
        push    %eax
        .globl recurse_call
recurse_call:
        call    recurse_forever
        ret

        .globl loop_forever
loop_forever:
        jmp     loop_forever

        .globl unknown_interrupt
unknown_interrupt:
        int     $0x21
        ret

        .globl halt
halt:
        hlt
        ret

# Calls the trap cell with EAX=1, EDX=2, ECX=3 and two stack arguments 4, 5 (pushed in that
# order); returns the handler's EAX plus 1000 if ESP came back balanced.
        .globl call_trap_with_arguments
call_trap_with_arguments:
        push    %ebx
        mov     %esp, %ebx
        mov     $1, %eax
        mov     $2, %edx
        mov     $3, %ecx
        push    $4
        push    $5
        call    *trap_cell
        cmp     %esp, %ebx
        jne     1f
        add     $1000, %eax
1:      pop     %ebx
        ret

# Sets EBX/ESI/EDI/EBP from EAX, keeps EAX+0.25 on the x87 stack, calls the trap cell, then
# checks that all of them survived. Returns the handler's EAX, or 0xBAD when anything changed.
        .globl keeps_state_across_trap
keeps_state_across_trap:
        push    %ebx
        push    %esi
        push    %edi
        push    %ebp
        sub     $8, %esp
        mov     %eax, (%esp)
        fildl   (%esp)
        fadds   quarter
        lea     0x100(%eax), %ebx
        lea     0x200(%eax), %esi
        lea     0x300(%eax), %edi
        lea     0x400(%eax), %ebp
        mov     %eax, 4(%esp)
        call    *trap_cell
        mov     4(%esp), %ecx
        lea     0x100(%ecx), %edx
        cmp     %edx, %ebx
        jne     2f
        lea     0x200(%ecx), %edx
        cmp     %edx, %esi
        jne     2f
        lea     0x300(%ecx), %edx
        cmp     %edx, %edi
        jne     2f
        lea     0x400(%ecx), %edx
        cmp     %edx, %ebp
        jne     2f
        fistpl  (%esp)           # rounds EAX+0.25 to EAX
        cmp     %ecx, (%esp)
        jne     3f
        jmp     4f
2:      fstp    %st(0)
3:      mov     $0xBAD, %eax
4:      add     $8, %esp
        pop     %ebp
        pop     %edi
        pop     %esi
        pop     %ebx
        ret
quarter:
        .float  0.25

# Calls the trap cell, whose handler pushed a value on the x87 stack, and returns it doubled
# on the x87 stack.
        .globl double_trap_result
double_trap_result:
        call    *trap_cell
        fadd    %st(0), %st(0)
        ret

# Leaves 1 and pi on the x87 stack.
        .globl two_on_x87
two_on_x87:
        fld1
        fldpi
        ret

# Fills all eight x87 registers.
        .globl eight_on_x87
eight_on_x87:
        fld1
        fld1
        fld1
        fld1
        fld1
        fld1
        fld1
        fld1
        ret

# EAX: address of a flag of ours, EDX: address of the other side's flag. Raises ours, waits for
# theirs, and returns the number of rounds waited.
        .globl handshake
handshake:
        movl    $1, (%eax)
        xor     %ecx, %ecx
5:      inc     %ecx
        cmpl    $1, (%edx)
        jne     5b
        mov     %ecx, %eax
        ret

# A long straight block that faults in its middle. ESI: address of three zeroed cells. The
# first two stores happen before the fault, the third would happen after it.
        .globl straight_read_fault
straight_read_fault:
        movl    $1, (%esi)
        mov     %esi, %eax
        add     $4, %eax
        mov     %eax, %ebx
        xor     %ecx, %ecx
        lea     3(%ecx), %ecx
        imul    $7, %ecx, %edx
        add     %edx, %ecx
        sub     $1, %ecx
        shl     $2, %ecx
        or      %ecx, %edx
        movl    $2, (%ebx)
        .globl straight_read_instruction
straight_read_instruction:
        mov     0x00600000, %eax
        movl    $3, 8(%esi)
        ret

# The same with a store into the gap above the heap, after a push.
        .globl straight_write_fault
straight_write_fault:
        movl    $1, (%esi)
        push    %ebx
        mov     %esi, %ebx
        add     $4, %ebx
        movl    $2, (%ebx)
        mov     $0x30000000, %edx
        lea     16(%edx), %edx
        .globl straight_write_instruction
straight_write_instruction:
        movl    $5, (%edx)
        movl    $3, 8(%esi)
        pop     %ebx
        ret

# A memory-bound loop: ECX iterations; ESI: two cells (a counter and an accumulator), EDX: one
# more cell; a local on the stack. Returns the local.
        .globl memory_loop
memory_loop:
        push    %ebp
        mov     %esp, %ebp
        sub     $4, %esp
        movl    $0, -4(%ebp)
6:      mov     (%esi), %eax
        add     $1, %eax
        mov     %eax, (%esi)
        add     %eax, 4(%esi)
        addl    $3, -4(%ebp)
        mov     -4(%ebp), %eax
        add     %eax, (%edx)
        dec     %ecx
        jnz     6b
        mov     -4(%ebp), %eax
        leave
        ret

# Self-modifying code within one page: smc_value returns the immediate of its `mov`;
# smc_store_then_patch stores ECX times into a data cell of the same page, then writes EAX
# into smc_value's immediate.
        .globl smc_value
smc_value:
        mov     $1, %eax
        ret

        .globl smc_store_then_patch
smc_store_then_patch:
7:      incl    smc_data
        dec     %ecx
        jnz     7b
        mov     %eax, smc_value + 1
        ret

        .p2align 2
        .globl smc_data
smc_data:
        .long   0

        .globl return_constant
return_constant:
        mov     $1, %eax
        ret

        .p2align 2
        .globl trap_cell
trap_cell:
        .long   0
