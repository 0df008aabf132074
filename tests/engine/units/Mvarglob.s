# Quorva run-time. Licensed under the MIT licence.
# The global-variable unit: one variable of each type that takes an initial value.
@noncyclic
@var GFLAG : Boolean = True export
@var GCOUNT : Integer = -1234 export
@var GWORD : Word = 65535 export
@var GTEXT : String = 'Title1' export
@var GREAL : Real = 2.5 export
@var GSINGLE : Single = 1.5 export
@var GDOUBLE : Double = -0.25 export
@var GBYTE : Byte = 200 export
@main start

.intel_syntax noprefix
.text
start:
    inc     dword ptr [GCOUNT]
    ret
