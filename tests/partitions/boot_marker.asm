; A partition boot sector for the boot test: looks like NTFS to the search,
; and when the MBR code starts it, reports on the debug console (port E9)
; that it ran and which entry it was handed, then ends the emulator.

bits 16
org 0x7C00

        jmp     short start
        nop
        db      "NTFS    "
        dw      512                     ; bytes per sector
        db      1                       ; sectors per cluster
        times 0x28 - ($ - $$) db 0
        dq      8191                    ; total sectors (the partition holds one more)
        dq      2                       ; MFT cluster
        times 0x40 - ($ - $$) db 0
        db      0xF6                    ; 1024-byte MFT records
        times 0x54 - ($ - $$) db 0

start:
        mov     bx, marker
        call    say
        cmp     dword [si + 8], 2048    ; DS:SI: our entry in the partition table
        jne     .done
        mov     bx, entry_ok
        call    say
.done:
        mov     al, 0x10
        out     0xF4, al                ; isa-debug-exit
        cli
        hlt

say:
        mov     al, [bx]
        test    al, al
        jz      .end
        out     0xE9, al
        inc     bx
        jmp     say
.end:
        ret

marker:     db "TARN-BOOT-OK", 10, 0
entry_ok:   db "ENTRY-2048", 10, 0

        times 510 - ($ - $$) db 0
        dw      0xAA55
