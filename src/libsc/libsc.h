/* Our signature carving library: finds files on a device by their content.
 *
 * Six C entry points and one callback. 64-bit values (offsets, lengths) are
 * passed as uint64_t, which on a 32-bit build is the same as two 32-bit words,
 * low word first. */
#ifndef TARN_LIBSC_H
#define TARN_LIBSC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Called once per found file, on the thread inside sc_scan, one call at a
 * time and in the order of finding. type is valid only during the call. */
typedef void (*sc_found_fn)(void *user, const char *type, uint64_t offset, uint64_t length);

/* Shared between the caller and sc_scan while a scan runs. The layout is the
 * 32-byte exchange record of a 32-bit build; on a 64-bit build the two pointer
 * fields widen to 8 bytes and the record grows to 48, with the fields in the
 * same order. pause and stop are written by the caller, progress by the
 * library: access them with the helpers of sc_control_access.h. */
struct raw_scan_control_s {
    void *user;          /* 0: handed back as the callback's first argument */
    uint32_t find_flags; /* 4: set by the library for the length of each found call (SC_FIND_...), else zero */
    double progress;     /* 8: fraction of the device scanned, 0 to 1 */
    int32_t pause;       /* 16: non-zero holds the scan */
    int32_t stop;        /* 20: non-zero ends the scan */
    sc_found_fn found;   /* 24: the found callback */
    uint32_t reserved1;  /* 28: zero */
};

/* find_flags during a found call: the file's structure proved where it ends.
 * Without it the length is the best bound known (where the structure broke
 * off, the next find, the type's maximum size or the device's end). */
#define SC_FIND_ENDED 1u

typedef struct sc_handle_s sc_handle_s;

/* Reads the type table from a configuration file. Returns the number of types
 * read, or -1 when the file is missing or holds no usable type: the built-in
 * table (the shipped file, compiled in) is then used. */
int32_t sc_load_config(const char *path);

/* Scans the whole device (a volume name path without its trailing separator,
 * a device node or an image file). Returns 0 when the device was read to its
 * end or the scan was stopped, -1 when it could not be opened. */
int32_t sc_scan(struct raw_scan_control_s *control, const char *device_path);

/* Opens a device for reading; null on failure. */
sc_handle_s *sc_open(const char *device_path);
/* origin 0: from the start, 1: from the current position, 2: from the end.
 * Returns 0, or -1 when the position would be negative. */
int32_t sc_seek(sc_handle_s *handle, int64_t offset, int32_t origin);
/* Reads up to size bytes at the current position; the count read (0 at the
 * end of the device), or -1 on a read error. */
int32_t sc_read(sc_handle_s *handle, void *buffer, int32_t size);
int32_t sc_close(sc_handle_s *handle);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#if UINTPTR_MAX == 0xffffffffu
static_assert(sizeof(raw_scan_control_s) == 32, "exchange record is 32 bytes");
static_assert(offsetof(raw_scan_control_s, find_flags) == 4, "layout");
static_assert(offsetof(raw_scan_control_s, found) == 24, "layout");
static_assert(offsetof(raw_scan_control_s, reserved1) == 28, "layout");
#else
static_assert(sizeof(raw_scan_control_s) == 48, "pointers widened to 8 bytes");
#endif
/* Same on both: the double is 8-aligned after the first two fields. */
static_assert(sizeof(raw_scan_control_s().progress) == 8, "layout");
#endif

#endif
