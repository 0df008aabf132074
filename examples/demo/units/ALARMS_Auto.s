# Quorva run-time. Licensed under the MIT licence.
# The automatic unit of the screen ALARMS, run once per GUI cycle with its window as the current
# window. The alarm grid fills itself from the alarm manager and shows the zone named by ALMZONE
# (its second filter; empty: every zone); this unit turns clicks on the zone buttons into that
# name: "Toutes zones" empties it, "Zone A" and "Zone B" set it.
@uses MVARGLOB
@import variable ALMZONE
@import function TOPLBDOWN
@import function COMMUT_FIG
@import function IS_ME
@import function PSTRCPY
@var N_ALL : String = 'ALLBTN'
@var N_ZONEA : String = 'ZONEABTN'
@var N_ZONEB : String = 'ZONEBBTN'
@var T_ALL : String
@var T_ZONEA : String = 'Zone A'
@var T_ZONEB : String = 'Zone B'
@main cycle

.intel_syntax noprefix
.text
# eax: the button's name, edx: the zone it sets
zone_button:
    push    edx
    call    dword ptr [COMMUT_FIG]
    test    al, al
    jz      1f
    call    dword ptr [IS_ME]
    test    al, al
    jz      1f
    mov     eax, offset ALMZONE
    mov     edx, dword ptr [esp]
    call    dword ptr [PSTRCPY]
1:  pop     edx
    ret

cycle:
    call    dword ptr [TOPLBDOWN]
    test    al, al
    jz      2f
    mov     eax, offset N_ALL
    mov     edx, offset T_ALL
    call    zone_button
    mov     eax, offset N_ZONEA
    mov     edx, offset T_ZONEA
    call    zone_button
    mov     eax, offset N_ZONEB
    mov     edx, offset T_ZONEB
    call    zone_button
2:  ret
