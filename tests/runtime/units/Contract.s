# Quorva run-time. Licensed under the MIT licence.
# A unit that calls probe functions of every parameter class through their entry cells, the way
# compiled units call the run-time. Each procedure is one case; around each call it records
# whether ESP, EBX, ESI, EDI and EBP came back as they were (INTACT counts the good ones).
@noncyclic
@var INTACT : Integer
@var CHECKS : Integer
@var SAVEDESP : Integer
@var R_INT : Integer
@var TEXT : String
@var SHORTTEXT : String
@var BITS : Array[0..1] of Integer
@var LIST : Array[0..5] of Integer
@var RVAL : Real
@var DVAL : Double
@var SVAL : Single
@var R_REAL : Real
@var R_DOUBLE : Double
@var NAME : String
@var OUT : String
@var OUT4 : String
@var VARINT : Integer
@var VARREAL : Real
@var BLOB : Array[0..7] of Byte
@var DEPTH : Integer
@import function P_REG3
@import function P_REG5
@import function P_STRREF
@import function P_BIT
@import function P_LIST
@import function P_REALS
@import function P_STRRES
@import function P_STRRES4
@import function P_DOUBLE
@import function P_VARS
@import function P_CALLBACK
@procedure CaseReg3 = case_reg3
@procedure CaseReg5 = case_reg5
@procedure CaseStrRef = case_strref
@procedure CaseBit = case_bit
@procedure CaseList = case_list
@procedure CaseReals = case_reals
@procedure CaseStrRes = case_strres
@procedure CaseDouble = case_double
@procedure CaseVars = case_vars
@procedure CaseNested = case_nested
@procedure CallMeBack = callback
@main case_reg3

.intel_syntax noprefix
.text

# Sets the registers the callee must keep to known values and notes ESP.
.macro ENTER_CASE
    push    ebx
    push    esi
    push    edi
    push    ebp
    mov     ebx, 0x0B0B0B0B
    mov     esi, 0x05151515
    mov     edi, 0x0D1D1D1D
    mov     ebp, 0x0BEBEBEB
    mov     dword ptr [SAVEDESP], esp
.endm

# Counts the registers that came back intact (5 per call) and restores the caller's.
.macro LEAVE_CASE
    add     dword ptr [CHECKS], 5
    cmp     esp, dword ptr [SAVEDESP]
    jne     91f
    inc     dword ptr [INTACT]
91: cmp     ebx, 0x0B0B0B0B
    jne     92f
    inc     dword ptr [INTACT]
92: cmp     esi, 0x05151515
    jne     93f
    inc     dword ptr [INTACT]
93: cmp     edi, 0x0D1D1D1D
    jne     94f
    inc     dword ptr [INTACT]
94: cmp     ebp, 0x0BEBEBEB
    jne     95f
    inc     dword ptr [INTACT]
95: mov     esp, dword ptr [SAVEDESP]
    pop     ebp
    pop     edi
    pop     esi
    pop     ebx
    ret
.endm

# P_REG3(A: Integer; B: Boolean; C: Byte): Integer: three register arguments.
case_reg3:
    ENTER_CASE
    mov     eax, 11
    mov     edx, 0xFFFFFF01         # a Boolean is its low byte
    mov     ecx, 0x123456FE         # a Byte is its low byte
    call    dword ptr [P_REG3]
    mov     dword ptr [R_INT], eax
    LEAVE_CASE

# P_REG5(A, B: Integer; C: Word; D, E: Integer): Integer: two arguments on the stack, pushed
# left to right, removed by the callee.
case_reg5:
    ENTER_CASE
    push    4
    push    5
    mov     eax, 1
    mov     edx, 2
    mov     ecx, 0xABCD0003
    call    dword ptr [P_REG5]
    mov     dword ptr [R_INT], eax
    LEAVE_CASE

# P_STRREF(var S: String; N: Integer): Integer: a String by reference with its highest index,
# once for a full String variable and once for one that holds 5 characters.
case_strref:
    ENTER_CASE
    mov     eax, offset TEXT
    mov     edx, 255
    mov     ecx, 41
    call    dword ptr [P_STRREF]
    mov     dword ptr [R_INT], eax
    mov     eax, offset SHORTTEXT
    mov     edx, 5
    mov     ecx, 0
    call    dword ptr [P_STRREF]
    LEAVE_CASE

# P_BIT(var State: Bit; Key: Word): the word array, the bit number, then the key.
case_bit:
    ENTER_CASE
    mov     eax, offset BITS
    mov     edx, 37
    mov     ecx, 0x10020
    call    dword ptr [P_BIT]
    LEAVE_CASE

# P_LIST(Id: Integer; Parameters: ValueList): Integer: a pointer to the first entry and the
# index of the last one.
case_list:
    ENTER_CASE
    mov     dword ptr [LIST], 100
    mov     byte ptr [LIST+4], 1
    mov     dword ptr [LIST+8], 20
    mov     byte ptr [LIST+12], 2
    mov     dword ptr [LIST+16], 3
    mov     byte ptr [LIST+20], 3
    mov     eax, 7
    mov     edx, offset LIST
    mov     ecx, 2
    call    dword ptr [P_LIST]
    mov     dword ptr [R_INT], eax
    LEAVE_CASE

# P_REALS(A: Integer; R: Real; D: Double; B: Integer; S: Single; C: Integer): Real: the reals go
# on the stack in their order (12, 8 and 4 bytes), the integers in EAX, EDX, ECX; the result
# comes back on the x87 stack.
case_reals:
    ENTER_CASE
    sub     esp, 12
    fld     tbyte ptr [RVAL]
    fstp    tbyte ptr [esp]
    sub     esp, 8
    fld     qword ptr [DVAL]
    fstp    qword ptr [esp]
    push    dword ptr [SVAL]
    mov     eax, 1000
    mov     edx, 200
    mov     ecx, 30
    call    dword ptr [P_REALS]
    fstp    tbyte ptr [R_REAL]
    LEAVE_CASE

# P_STRRES(Value: Integer; Name: String): String: the result buffer takes the next register;
# P_STRRES4(A, B, C: Integer): String: with the registers used up it goes on the stack.
case_strres:
    ENTER_CASE
    mov     eax, 42
    mov     edx, offset NAME
    mov     ecx, offset OUT
    call    dword ptr [P_STRRES]
    push    offset OUT4
    mov     eax, 1
    mov     edx, 2
    mov     ecx, 3
    call    dword ptr [P_STRRES4]
    LEAVE_CASE

# P_DOUBLE(X: Single): Double.
case_double:
    ENTER_CASE
    push    dword ptr [SVAL]
    call    dword ptr [P_DOUBLE]
    fstp    qword ptr [R_DOUBLE]
    LEAVE_CASE

# P_VARS(var V: untyped; var I: Integer; var R: Real).
case_vars:
    ENTER_CASE
    mov     eax, offset BLOB
    mov     edx, offset VARINT
    mov     ecx, offset VARREAL
    call    dword ptr [P_VARS]
    LEAVE_CASE

# P_CALLBACK(Proc: Integer): Integer: the run-time calls `callback` back, which itself calls
# into the run-time again.
case_nested:
    ENTER_CASE
    mov     eax, dword ptr [CallMeBack]     # the entry, read from its cell
    call    dword ptr [P_CALLBACK]
    mov     dword ptr [R_INT], eax
    LEAVE_CASE

callback:
    push    ebx
    inc     dword ptr [DEPTH]
    mov     ebx, 0x77777777
    mov     eax, 5
    mov     edx, 0
    mov     ecx, 6
    call    dword ptr [P_REG3]
    add     dword ptr [DEPTH], eax
    pop     ebx
    ret
