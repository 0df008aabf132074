# Quorva run-time. Licensed under the MIT licence.
# Calls the maths built-ins: X is pushed as a 12-byte Real, the result comes back on the x87
# stack into Y (TRUNC: in EAX, into R).
@noncyclic
@var X : Real
@var Y : Real
@var R : Integer
@import function COS
@import function EXP
@import function INT
@import function FRAC
@import function DEGTORAD
@import function LN
@import function SQRT
@import function TRUNC
@procedure DoCos = do_cos
@procedure DoExp = do_exp
@procedure DoInt = do_int
@procedure DoFrac = do_frac
@procedure DoDegToRad = do_degtorad
@procedure DoLn = do_ln
@procedure DoSqrt = do_sqrt
@procedure DoTrunc = do_trunc

.intel_syntax noprefix
.macro REAL_CALL label, function
\label:
    sub     esp, 12
    fld     tbyte ptr [X]
    fstp    tbyte ptr [esp]
    call    dword ptr [\function]
    fstp    tbyte ptr [Y]
    ret
.endm
.text
REAL_CALL do_cos, COS
REAL_CALL do_exp, EXP
REAL_CALL do_int, INT
REAL_CALL do_frac, FRAC
REAL_CALL do_degtorad, DEGTORAD
REAL_CALL do_ln, LN
REAL_CALL do_sqrt, SQRT
do_trunc:
    sub     esp, 12
    fld     tbyte ptr [X]
    fstp    tbyte ptr [esp]
    call    dword ptr [TRUNC]
    mov     dword ptr [R], eax
    ret
