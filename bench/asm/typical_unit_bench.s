# Quorva run-time. Licensed under the MIT licence.
# A typical unit as the product's compiler emits it: 20 PID controllers computed by a procedure
# with a stack frame, project globals read and written in the global block, the unit's own
# variables in its data area, locals on the stack, a little x87 arithmetic and two
# runtime-function calls per pass through their entry cells.
#
# ESI = the project globals, EDI = the unit's data area, ECX = number of passes.
# Globals (offsets from ESI): SP[20] 0, PV[20] 80, OUT[20] 160, OUTPCT[20] (Single) 240,
# STATUS 320, MODE 324, PASSES 328.
# Unit variables (offsets from EDI): INTEG[20] 0, LASTERR[20] 80, KP 160, KI 164, KD 168,
# IMAX 172, IMIN 176, OUTMIN 180, OUTMAX 184, SCALE (Single) 188, and the addresses of the
# entry cells of TESTBIT 192, SETBIT 196, RESETBIT 200.
        .intel_syntax noprefix
        .text
        .code32

# Each pass runs the 20 controllers, then sets or clears the STATUS bit numbered by how many
# outputs were clipped: SETBIT when bit 0 of MODE is set (TESTBIT), RESETBIT otherwise.
        .globl pid_passes
pid_passes:
        push    ebp
        mov     ebp, esp
        sub     esp, 8                  # [ebp-4] passes left, [ebp-8] clipped outputs
        push    ebx
        mov     [ebp-4], ecx
1:      mov     dword ptr [ebp-8], 0
        xor     ebx, ebx
2:      mov     eax, ebx
        call    pid_step
        add     [ebp-8], eax
        inc     ebx
        cmp     ebx, 20
        jb      2b
        mov     eax, [esi+324]          # TESTBIT(MODE, 0)
        xor     edx, edx
        mov     ecx, [edi+192]
        call    dword ptr [ecx]
        mov     ecx, [edi+196]
        test    al, al
        jnz     3f
        mov     ecx, [edi+200]
3:      lea     eax, [esi+320]          # SETBIT/RESETBIT(STATUS, clipped mod 32)
        mov     edx, [ebp-8]
        and     edx, 31
        call    dword ptr [ecx]
        inc     dword ptr [esi+328]
        dec     dword ptr [ebp-4]
        jnz     1b
        pop     ebx
        leave
        ret

# One controller, EAX = its index; EAX = 1 when its output was clipped. The process it drives
# is simulated too: PV moves an eighth of the way to the output.
pid_step:
        push    ebp
        mov     ebp, esp
        sub     esp, 12                 # error [ebp-4], derivative [ebp-8], output [ebp-12]
        push    ebx
        mov     ebx, eax
        mov     eax, [esi+ebx*4]        # error = SP - PV
        sub     eax, [esi+80+ebx*4]
        mov     [ebp-4], eax
        mov     edx, eax                # derivative = error - LASTERR
        sub     edx, [edi+80+ebx*4]
        mov     [ebp-8], edx
        mov     [edi+80+ebx*4], eax
        mov     edx, [edi+ebx*4]        # INTEG += error, within IMIN..IMAX
        add     edx, eax
        cmp     edx, [edi+172]
        jle     4f
        mov     edx, [edi+172]
4:      cmp     edx, [edi+176]
        jge     5f
        mov     edx, [edi+176]
5:      mov     [edi+ebx*4], edx
        imul    eax, [edi+160]          # (KP*error + KI*INTEG + KD*derivative) div 64
        imul    edx, [edi+164]
        add     eax, edx
        mov     edx, [ebp-8]
        imul    edx, [edi+168]
        add     eax, edx
        cdq
        mov     ecx, 64
        idiv    ecx
        xor     ecx, ecx                # within OUTMIN..OUTMAX
        cmp     eax, [edi+184]
        jle     6f
        mov     eax, [edi+184]
        mov     ecx, 1
6:      cmp     eax, [edi+180]
        jge     7f
        mov     eax, [edi+180]
        mov     ecx, 1
7:      mov     [ebp-12], eax
        mov     [esi+160+ebx*4], eax    # OUT
        fild    dword ptr [ebp-12]      # OUTPCT = output * SCALE
        fmul    dword ptr [edi+188]
        fstp    dword ptr [esi+240+ebx*4]
        sub     eax, [esi+80+ebx*4]     # PV += (output - PV) sar 3
        sar     eax, 3
        add     [esi+80+ebx*4], eax
        mov     eax, ecx
        pop     ebx
        leave
        ret
