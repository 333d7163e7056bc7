; Tembril sample: put the caret on a word and press F1
.386
.model flat, stdcall
option casemap:none

include windows.inc
include kernel32.inc
includelib kernel32.lib

.data
msg     db "Hello from Varnok", 0
caption db "Tembril", 0

.code
start:
    mov ecx, 3
    xor eax, eax
    test eax, eax
    jz show
    inc eax
show:
    push MB_OK
    push offset caption
    push offset msg
    push 0
    call MessageBoxA
    mov eax, 0
    push eax
    call ExitProcess
end start
