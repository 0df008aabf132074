# Quorva run-time. Licensed under the MIT licence.
# A unit that drives the media player and the web browser through their entry cells, as a
# screen's unit does. The host fills NAME, FLAG and HANDLE, runs one procedure and reads RES,
# LEN, OK and HANDLE.
@noncyclic
@var NAME : String
@var FLAG : Integer
@var HANDLE : Integer
@var RES : Integer
@var LEN : Integer
@var OK : Integer
@import function INITPLAYER
@import function NEWMEDIA
@import function PLAYMEDIA
@import function STOPMEDIA
@import function PAUSEMEDIA
@import function PAUSEONLYMEDIA
@import function RESUMEMEDIA
@import function STEPMEDIA
@import function BACKMEDIA
@import function PREVIOUSTRACK
@import function NEXTTRACK
@import function REWINDMEDIA
@import function GETPOSITIONMEDIA
@import function GETLENGTHMEDIA
@import function MEDIAATZERO
@import function MEDIAATEND
@import function MEDIAPLAYING
@import function WEBBROWSERCREATE
@import function WEBNAVIGATE
@import function WEBGOBACK
@import function WEBGOFORWARD
@import function WEBGOHOME
@import function WEBGOSEARCH
@import function WEBREFRESH
@import function WEBSTOP
@import function WEBSEARCH
@procedure DoInit = do_init
@procedure DoNew = do_new
@procedure DoPlaymedia = do_playmedia
@procedure DoStopmedia = do_stopmedia
@procedure DoPausemedia = do_pausemedia
@procedure DoPauseonlymedia = do_pauseonlymedia
@procedure DoResumemedia = do_resumemedia
@procedure DoStepmedia = do_stepmedia
@procedure DoBackmedia = do_backmedia
@procedure DoPrevioustrack = do_previoustrack
@procedure DoNexttrack = do_nexttrack
@procedure DoRewindmedia = do_rewindmedia
@procedure DoQuery = do_query
@procedure DoAtZero = do_atzero
@procedure DoAtEnd = do_atend
@procedure DoPlaying = do_playing
@procedure DoCreate = do_create
@procedure DoNavigate = do_navigate
@procedure DoWebgoback = do_webgoback
@procedure DoWebgoforward = do_webgoforward
@procedure DoWebgohome = do_webgohome
@procedure DoWebgosearch = do_webgosearch
@procedure DoWebrefresh = do_webrefresh
@procedure DoWebstop = do_webstop
@procedure DoWebsearch = do_websearch

.intel_syntax noprefix
.text
# INITPLAYER(NAME, FLAG): the String's address in EAX, the Boolean in DL.
do_init:
    mov     eax, offset NAME
    mov     edx, dword ptr [FLAG]
    call    dword ptr [INITPLAYER]
    ret
do_new:
    mov     eax, offset NAME
    call    dword ptr [NEWMEDIA]
    ret
do_playmedia:
    call    dword ptr [PLAYMEDIA]
    ret
do_stopmedia:
    call    dword ptr [STOPMEDIA]
    ret
do_pausemedia:
    call    dword ptr [PAUSEMEDIA]
    ret
do_pauseonlymedia:
    call    dword ptr [PAUSEONLYMEDIA]
    ret
do_resumemedia:
    call    dword ptr [RESUMEMEDIA]
    ret
do_stepmedia:
    call    dword ptr [STEPMEDIA]
    ret
do_backmedia:
    call    dword ptr [BACKMEDIA]
    ret
do_previoustrack:
    call    dword ptr [PREVIOUSTRACK]
    ret
do_nexttrack:
    call    dword ptr [NEXTTRACK]
    ret
do_rewindmedia:
    call    dword ptr [REWINDMEDIA]
    ret
# GETPOSITIONMEDIA -> RES, GETLENGTHMEDIA -> LEN.
do_query:
    call    dword ptr [GETPOSITIONMEDIA]
    mov     dword ptr [RES], eax
    call    dword ptr [GETLENGTHMEDIA]
    mov     dword ptr [LEN], eax
    ret
do_atzero:
    call    dword ptr [MEDIAATZERO]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
do_atend:
    call    dword ptr [MEDIAATEND]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
do_playing:
    call    dword ptr [MEDIAPLAYING]
    movzx   eax, al
    mov     dword ptr [OK], eax
    ret
do_create:
    call    dword ptr [WEBBROWSERCREATE]
    mov     dword ptr [HANDLE], eax
    ret
# WEBNAVIGATE(HANDLE, NAME): the Integer in EAX, the String's address in EDX.
do_navigate:
    mov     eax, dword ptr [HANDLE]
    mov     edx, offset NAME
    call    dword ptr [WEBNAVIGATE]
    ret
do_webgoback:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBGOBACK]
    ret
do_webgoforward:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBGOFORWARD]
    ret
do_webgohome:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBGOHOME]
    ret
do_webgosearch:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBGOSEARCH]
    ret
do_webrefresh:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBREFRESH]
    ret
do_webstop:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBSTOP]
    ret
do_websearch:
    mov     eax, dword ptr [HANDLE]
    call    dword ptr [WEBSEARCH]
    ret
