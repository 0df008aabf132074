# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen CONTROLS, run once per GUI cycle with its window as the
# current window. On its first cycle it gives the speed track bar its range and fills the list
# view and the tree; then it shows the tank's state in the list view every 500 ms, turns clicks
# on Save and Load into one-cycle pulses of the recipe triggers SAVEREC and LOADREC, and shows
# the page PAGENO of the page control when PAGENO changes.
@uses MVARGLOB
@import variable STATUS
@import variable SAVEREC
@import variable LOADREC
@import variable PAGENO
@import variable BT_500
@import function COMMUT_FIG
@import function TOPLBDOWN
@import function IS_ME
@import function SETTRACKSTART
@import function SETTRACKEND
@import function LVADDITEM
@import function TREEADD
@import function TREEADDCHILD
@import function SETPAGE
@var N_SPEED : String = 'SPEEDTB'
@var N_LIST : String = 'LVIEW'
@var N_TREE : String = 'TREE'
@var N_PAGES : String = 'PAGES'
@var N_SAVE : String = 'SAVEBTN'
@var N_LOAD : String = 'LOADBTN'
@var T_LEVEL : String = 'LEVEL'
@var T_LEVELTXT : String = 'Niveau de la cuve'
@var T_PUMP : String = 'PUMP'
@var T_PUMPTXT : String = 'Pompe'
@var T_STATUS : String = 'STATUS'
@var T_STATUSTXT : String = 'Etat'
@var T_TANK : String = 'Cuve'
@var T_PUMPNODE : String = 'Pompe'
@var T_LEVELNODE : String = 'Niveau'
@var T_HIGHNODE : String = 'Seuil haut 90 %'
@var T_LOWNODE : String = 'Seuil bas 20 %'
@var T_CONTROLS : String = 'Commandes'
@var T_SETPOINT : String = 'Consigne'
@var T_SPEEDNODE : String = 'Vitesse'
@var STARTED : Boolean
@var SAVEPULSE : Boolean
@var LOADPULSE : Boolean
@var SHOWNPAGE : Integer
@main cycle

.intel_syntax noprefix
.text
# eax: column, edx: row, ecx: text
add_cell:
    call    dword ptr [LVADDITEM]
    ret

cycle:
    cmp     byte ptr [STARTED], 0
    jne     2f
    mov     byte ptr [STARTED], 1
    # the speed track bar runs from 0 to 100
    mov     eax, offset N_SPEED
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      1f
    xor     eax, eax
    call    dword ptr [SETTRACKSTART]
    mov     eax, 100
    call    dword ptr [SETTRACKEND]
1:  # the list view: one row per variable, its name and what it is
    mov     eax, offset N_LIST
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      11f
    xor     eax, eax
    xor     edx, edx
    mov     ecx, offset T_LEVEL
    call    add_cell
    mov     eax, 1
    xor     edx, edx
    mov     ecx, offset T_LEVELTXT
    call    add_cell
    xor     eax, eax
    mov     edx, 1
    mov     ecx, offset T_PUMP
    call    add_cell
    mov     eax, 1
    mov     edx, 1
    mov     ecx, offset T_PUMPTXT
    call    add_cell
    xor     eax, eax
    mov     edx, 2
    mov     ecx, offset T_STATUS
    call    add_cell
    mov     eax, 1
    mov     edx, 2
    mov     ecx, offset T_STATUSTXT
    call    add_cell
11: # the tree: the tank with its measures, then the commands
    mov     eax, offset N_TREE
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      2f
    xor     eax, eax
    mov     edx, offset T_TANK
    call    dword ptr [TREEADD]           # node 1
    mov     eax, 1
    mov     edx, offset T_LEVELNODE
    call    dword ptr [TREEADDCHILD]      # node 2
    mov     eax, 2
    mov     edx, offset T_HIGHNODE
    call    dword ptr [TREEADDCHILD]      # node 3
    mov     eax, 2
    mov     edx, offset T_LOWNODE
    call    dword ptr [TREEADDCHILD]      # node 4
    mov     eax, 1
    mov     edx, offset T_PUMPNODE
    call    dword ptr [TREEADDCHILD]      # node 5
    xor     eax, eax
    mov     edx, offset T_CONTROLS
    call    dword ptr [TREEADD]           # node 6
    mov     eax, 6
    mov     edx, offset T_SETPOINT
    call    dword ptr [TREEADDCHILD]
    mov     eax, 6
    mov     edx, offset T_SPEEDNODE
    call    dword ptr [TREEADDCHILD]
2:
    # the tank's state in the third column of the STATUS row, every 500 ms
    cmp     byte ptr [BT_500], 0
    je      3f
    mov     eax, offset N_LIST
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      3f
    mov     eax, 2
    mov     edx, 2
    mov     ecx, offset STATUS
    call    add_cell
3:
    # a trigger this unit raised goes down again on the next cycle
    cmp     byte ptr [SAVEPULSE], 0
    je      31f
    mov     byte ptr [SAVEPULSE], 0
    mov     byte ptr [SAVEREC], 0
31: cmp     byte ptr [LOADPULSE], 0
    je      32f
    mov     byte ptr [LOADPULSE], 0
    mov     byte ptr [LOADREC], 0
32: # a click on Save or Load raises its trigger for one cycle
    call    dword ptr [TOPLBDOWN]
    test    al, al
    jz      4f
    mov     eax, offset N_SAVE
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      33f
    call    dword ptr [IS_ME]
    test    al, al
    jz      33f
    mov     byte ptr [SAVEREC], 1
    mov     byte ptr [SAVEPULSE], 1
33: mov     eax, offset N_LOAD
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      4f
    call    dword ptr [IS_ME]
    test    al, al
    jz      4f
    mov     byte ptr [LOADREC], 1
    mov     byte ptr [LOADPULSE], 1
4:
    # the page PAGENO when it changes
    mov     eax, dword ptr [PAGENO]
    cmp     eax, dword ptr [SHOWNPAGE]
    je      5f
    mov     dword ptr [SHOWNPAGE], eax
    mov     eax, offset N_PAGES
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      5f
    mov     eax, dword ptr [SHOWNPAGE]
    call    dword ptr [SETPAGE]
5:  ret
