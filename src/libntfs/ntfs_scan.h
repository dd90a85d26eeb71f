/* The MFT scanner's C call contract: open a scan on a device, pull one
 * file-record description after another, write one record's data out. */
#ifndef TARN_NTFS_SCAN_H
#define TARN_NTFS_SCAN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Scan block owned by the caller, zeroed before the first startup. */
struct ntfs_scan_context {
    uint32_t open;  /* 0: non-zero while a scan is open */
    uint32_t notes; /* 4: ntfs_note_* about the open scan */
    int64_t total;  /* 8: amount of work, see the counters */
    void *scanner;  /* 16: the library's state */
    /* 24: bytes the device holds; 32: bytes of the volume its boot sector
     * describes, once one was read. Both are set by a startup on a device
     * also when it then fails; 0 when unknown. */
    uint64_t device_bytes;
    uint64_t volume_bytes;
    uint8_t library[8224 - 24 - 2 * sizeof(uint64_t)];
    int32_t c1; /* 8224: records in use examined, times 8 in the total */
    int32_t c2; /* 8228: records not in use examined, likewise */
    int32_t c3; /* 8232: unused, 0 */
    uint8_t tail[12];
};

enum {
    ntfs_note_backup_boot = 0x01,  /* sector 0 was no NTFS boot sector; the copy at the end was read */
    ntfs_note_short_device = 0x02, /* the device ends before the volume does */
};

/* One file-record description. */
struct ntfs_scan_record {
    uint64_t id;         /* 0: file-record number */
    uint64_t parent_id;  /* 8: record number of the parent directory */
    uint64_t size;       /* 16: size of the unnamed data stream */
    int64_t second_time; /* 24: creation, seconds since 1970 UTC */
    uint64_t sequence;   /* 32: the record's sequence number */
    int64_t first_time;  /* 40: last modification, seconds since 1970 UTC */
    uint8_t flags;       /* 48: ntfs_record_flag_* */
    uint8_t data_state;  /* 49: ntfs_data_* of a deleted file; 0 otherwise */
    uint8_t library[6];  /* 50 */
    uint16_t name[260];  /* 56: UTF-16, zero-terminated */
};

enum {
    ntfs_record_flag_directory = 0x01,
    ntfs_record_flag_file = 0x02,
    ntfs_record_flag_deleted = 0x80,
};

/* Whether a deleted file's data still lies where its record maps it,
 * judged by the volume's cluster bitmap as it is now. */
enum {
    ntfs_data_intact = 0,      /* resident, or no mapped cluster is in use */
    ntfs_data_partly_used = 1, /* some of its clusters are in use */
    ntfs_data_used = 2,        /* all of its clusters are in use */
    ntfs_data_none = 3,        /* no record or run map left, or runs outside the volume or the device */
    ntfs_data_unchecked = 4,   /* the cluster bitmap could not be read */
};

/* Result codes (negative: failure). */
enum {
    ntfs_ok = 0,
    ntfs_error_argument = -1,
    ntfs_error_device = -2,    /* the device name does not resolve or open, or no device was given */
    ntfs_error_not_ntfs = -3,  /* the boot sector or $MFT is not valid */
    ntfs_error_no_record = -4, /* no such file record, or it has no data stream */
    ntfs_error_encrypted = -5,
    ntfs_error_outside = -6, /* a run lies outside the volume */
    ntfs_error_read = -7,
    ntfs_error_write = -8,   /* the destination cannot be created or written */
    ntfs_error_corrupt = -9, /* damaged run list or compressed data */
    ntfs_error_short = -10,  /* the device ends before the $MFT (device_bytes < volume_bytes) */
};

/* device_name: the volume's name path as the platform lists it (any disk,
 * partition or image file). Returns a negative code on failure. */
int32_t ntfs_scan_startup(const char *device_name, struct ntfs_scan_context *context);
/* Fills record (zeroed by the caller) and returns non-zero; zero at the end. */
int32_t ntfs_scan_next(struct ntfs_scan_context *context, struct ntfs_scan_record *record);
/* Releases the scan; the caller zeroes the context afterwards. */
int32_t ntfs_scan_shutdown(struct ntfs_scan_context *context);
/* The ntfs_data_* state of deleted file record id once the scan is over:
 * its clusters are also judged against deleted files written after it, which
 * may have taken them and been freed since. -1 when the scan reported no
 * mapped clusters for it; its data_state then stands. */
int32_t ntfs_scan_data_state(struct ntfs_scan_context *context, uint32_t id_low, uint32_t id_high);
/* Writes the unnamed data stream of record id (id_low | id_high << 32) to a
 * new file at destination. unused receives 0. */
int32_t ntfs_recover_file(struct ntfs_scan_context *context, uint32_t id_low, uint32_t id_high, const char *destination,
                          int32_t *unused);
/* Told of each run of bytes of a stream that could not be read and was
 * left as zeros (a failing disk), at its offset in the stream. */
typedef void (*ntfs_unreadable_fn)(void *cookie, uint64_t offset, uint64_t length);
/* Writes the first max_bytes (UINT64_MAX: all) of the stream into fd, an
 * empty file open for writing that the caller made and closes; what was
 * written stays when a step fails. Sectors that cannot be read become zeros
 * and are told to unreadable (when not null). */
int32_t ntfs_recover_file_to(struct ntfs_scan_context *context, uint32_t id_low, uint32_t id_high, int fd,
                             uint64_t max_bytes, ntfs_unreadable_fn unreadable, void *cookie);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(ntfs_scan_context) == 8248, "scan context size");
static_assert(offsetof(ntfs_scan_context, total) == 8, "total offset");
static_assert(offsetof(ntfs_scan_context, device_bytes) == 24, "device bytes offset");
static_assert(offsetof(ntfs_scan_context, c1) == 8224, "c1 offset");
static_assert(offsetof(ntfs_scan_context, c2) == 8228, "c2 offset");
static_assert(offsetof(ntfs_scan_context, c3) == 8232, "c3 offset");
static_assert(sizeof(ntfs_scan_record) == 576, "record size");
static_assert(offsetof(ntfs_scan_record, first_time) == 40, "first time offset");
static_assert(offsetof(ntfs_scan_record, flags) == 48, "flags offset");
static_assert(offsetof(ntfs_scan_record, data_state) == 49, "data state offset");
static_assert(offsetof(ntfs_scan_record, name) == 56, "name offset");
#endif

#endif
