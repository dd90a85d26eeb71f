; Master boot record loader: the first 440 bytes of sector 0.
;
; The BIOS loads sector 0 at 0000:7C00 and jumps to it with the boot drive in
; DL. We move ourselves to 0000:0600 so the active partition's boot sector can
; be loaded at 7C00 in our place, find the one active entry, read its first
; sector (INT 13h extensions when the BIOS has them, CHS otherwise), check its
; 55 AA signature and jump to it with DL = drive and DS:SI = its entry.

bits 16
org 0x0600

load_address    equ 0x7C00
table           equ 0x0600 + 446
entry_count     equ 4
entry_size      equ 16
read_tries      equ 5

start:
        cli
        xor     ax, ax
        mov     ss, ax
        mov     sp, load_address
        mov     ds, ax
        mov     es, ax
        sti
        cld
        mov     si, load_address
        mov     di, 0x0600
        mov     cx, 256
        rep movsw
        jmp     0x0000:relocated

relocated:
        mov     [boot_drive], dl

        ; Exactly one entry may be active; any status other than 00 or 80 is
        ; a damaged table.
        mov     si, table
        mov     cx, entry_count
        xor     bp, bp
.scan:
        mov     al, [si]
        cmp     al, 0x80
        je      .active
        test    al, al
        jnz     invalid_table
        jmp     .next
.active:
        test    bp, bp
        jnz     invalid_table
        mov     bp, si
.next:
        add     si, entry_size
        loop    .scan
        test    bp, bp
        jnz     load_partition
        int     0x18                    ; nothing to boot: let the BIOS try the next device
        jmp     halt

load_partition:
        mov     di, read_tries
.try:
        call    read_first_sector
        jnc     .loaded
        xor     ah, ah                  ; reset the disk and try again
        mov     dl, [boot_drive]
        int     0x13
        dec     di
        jnz     .try
        mov     si, msg_load_error
        jmp     fail

.loaded:
        cmp     word [load_address + 510], 0xAA55
        mov     si, msg_missing_os
        jne     fail
        mov     si, bp
        mov     dl, [boot_drive]
        jmp     0x0000:load_address

; Reads the first sector of the entry at BP to 0000:7C00. CF set on failure.
read_first_sector:
        mov     ah, 0x41
        mov     bx, 0x55AA
        mov     dl, [boot_drive]
        int     0x13
        jc      .chs
        cmp     bx, 0xAA55
        jne     .chs
        test    cl, 1                   ; packet interface present
        jz      .chs
        mov     eax, [bp + 8]
        mov     [packet_lba], eax
        mov     si, packet
        mov     ah, 0x42
        mov     dl, [boot_drive]
        int     0x13
        ret
.chs:
        mov     ax, 0x0201
        mov     bx, load_address
        mov     dh, [bp + 1]
        mov     cx, [bp + 2]
        mov     dl, [boot_drive]
        int     0x13
        ret

invalid_table:
        mov     si, msg_invalid_table
fail:
        lodsb
        test    al, al
        jz      halt
        mov     ah, 0x0E
        mov     bx, 0x0007
        int     0x10
        jmp     fail
halt:
        hlt
        jmp     halt

packet:
        db      16, 0                   ; packet size, reserved
        dw      1                       ; sectors to read
        dw      load_address, 0         ; buffer offset, segment
packet_lba:
        dd      0, 0                    ; 64-bit start sector

boot_drive:
        db      0

msg_invalid_table:  db "Invalid partition table", 0
msg_load_error:     db "Error loading operating system", 0
msg_missing_os:     db "Missing operating system", 0

        times 440 - ($ - $$) db 0       ; fails to assemble when the code outgrows 440 bytes
