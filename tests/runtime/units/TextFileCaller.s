# Quorva run-time. Licensed under the MIT licence.
# A unit that calls the text file and file functions through their entry cells, following the
# calling contract. The host fills the inputs (HANDLE, NAME, NAME2, TEXT, HIGH), runs one
# procedure and reads the outputs (HANDLE, LINE, SRES, IRES, COUNT).
@var HANDLE : Integer
@var NAME : String
@var NAME2 : String
@var TEXT : String
@var LINE : String
@var SRES : String
@var HIGH : Integer
@var IRES : Integer
@var COUNT : Integer
@import function FILETEXTOPEN
@import function FILETEXTAPPEND
@import function FILETEXTCLOSE
@import function READLN
@import function WRITELN
@import function WRITE
@import function EOF
@import function FILEEXISTS
@import function FILERENAME
@import function FILECOPY
@import function FILECONCAT
@import function CLEARBLANK
@procedure DoOpen = do_open
@procedure DoAppend = do_append
@procedure DoClose = do_close
@procedure DoReadLn = do_readln
@procedure DoWriteLn = do_writeln
@procedure DoWrite = do_write
@procedure DoEof = do_eof
@procedure DoCountLines = do_count_lines
@procedure DoExists = do_exists
@procedure DoRename = do_rename
@procedure DoCopy = do_copy
@procedure DoConcat = do_concat
@procedure DoClearBlank = do_clearblank

.intel_syntax noprefix
.text
# FILETEXTOPEN(var HANDLE, NAME): the handle's address in EAX, the name's in EDX.
do_open:
    mov     eax, offset HANDLE
    mov     edx, offset NAME
    call    dword ptr [FILETEXTOPEN]
    ret
do_append:
    mov     eax, offset HANDLE
    mov     edx, offset NAME
    call    dword ptr [FILETEXTAPPEND]
    ret
do_close:
    mov     eax, offset HANDLE
    call    dword ptr [FILETEXTCLOSE]
    ret
# READLN(var HANDLE, var LINE + hidden HIGH): EAX, EDX, ECX.
do_readln:
    mov     eax, offset HANDLE
    mov     edx, offset LINE
    mov     ecx, dword ptr [HIGH]
    call    dword ptr [READLN]
    ret
do_writeln:
    mov     eax, offset HANDLE
    mov     edx, offset TEXT
    call    dword ptr [WRITELN]
    ret
do_write:
    mov     eax, offset HANDLE
    mov     edx, offset TEXT
    call    dword ptr [WRITE]
    ret
# EOF(var HANDLE): Boolean in AL, the rest of EAX cleared.
do_eof:
    mov     eax, offset HANDLE
    call    dword ptr [EOF]
    mov     dword ptr [IRES], eax
    ret
# while not EOF(HANDLE) do begin READLN(HANDLE, LINE); Inc(COUNT) end
do_count_lines:
    mov     dword ptr [COUNT], 0
1:  mov     eax, offset HANDLE
    call    dword ptr [EOF]
    test    al, al
    jnz     2f
    mov     eax, offset HANDLE
    mov     edx, offset LINE
    mov     ecx, 255
    call    dword ptr [READLN]
    inc     dword ptr [COUNT]
    jmp     1b
2:  ret
do_exists:
    mov     eax, offset NAME
    call    dword ptr [FILEEXISTS]
    mov     dword ptr [IRES], eax
    ret
do_rename:
    mov     eax, offset NAME
    mov     edx, offset NAME2
    call    dword ptr [FILERENAME]
    mov     dword ptr [IRES], eax
    ret
do_copy:
    mov     eax, offset NAME
    mov     edx, offset NAME2
    call    dword ptr [FILECOPY]
    mov     dword ptr [IRES], eax
    ret
do_concat:
    mov     eax, offset NAME
    mov     edx, offset NAME2
    call    dword ptr [FILECONCAT]
    mov     dword ptr [IRES], eax
    ret
# CLEARBLANK(TEXT) -> SRES: the result buffer follows as the next register-class word.
do_clearblank:
    mov     eax, offset TEXT
    mov     edx, offset SRES
    call    dword ptr [CLEARBLANK]
    ret
