// What the page shows of a clicked file: an image any of Qt's image
// plug-ins reads, the first page of a PDF, or else the start of the file as
// text when it reads as text; and its first bytes for the hex view in any
// case. What cannot be drawn says why.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Why a file clicked has no drawing.
enum class preview_note_e {
    none,       // it has one, or nothing was asked for
    no_preview, // its type is not drawn, or its bytes do not decode
    too_large,  // only its start was read, for the hex view
    unreadable  // it could not be read for a look
};

struct file_preview_s {
    QImage image;    // null when the file is shown as text
    QString text;    // empty for an image and for bytes that are no text
    QByteArray head; // the first bytes, up to the hex view's limit
    preview_note_e note = preview_note_e::none;
    bool empty() const { return image.isNull() && text.isEmpty() && head.isEmpty(); }
    // Whether the preview tab has something to draw.
    bool drawable() const { return !image.isNull() || !text.isEmpty(); }
};

// Files of at most this size are previewed.
inline constexpr quint64 k_preview_limit = 5 * 1024 * 1024;

// A private folder of this process for preview copies, made on first use
// and removed when the program ends; empty when it cannot be made.
QString preview_folder();

// The preview of a file in the preview folder; on the loader's thread.
file_preview_s load_preview(const QString &path);
// The first bytes of a file, up to the hex view's limit.
QByteArray load_preview_head(const QString &path);

// Whether the start of a file reads as text: a UTF-16 byte-order mark, or
// no zero byte.
bool looks_like_text(const QByteArray &start);

// Text after a byte-order mark (UTF-8, UTF-16 LE or BE), else the local
// 8-bit encoding; up to the first zero character.
QString decode_preview_text(const QByteArray &bytes);
