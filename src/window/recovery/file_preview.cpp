#include "file_preview.h"

#include <QFile>
#include <QImageReader>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <memory>

#include "pdf_preview.h"
#include "records/hex_dump.h"

namespace {

// Only the start of a text file is shown.
constexpr qint64 k_text_bytes = 8192;

QString decode_as(QStringConverter::Encoding encoding, const QByteArray &bytes)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

QString preview_folder()
{
    // Destroyed, and so removed, when the program ends.
    static std::unique_ptr<QTemporaryDir> folder;
    if (!folder)
        folder = std::make_unique<QTemporaryDir>();
    return folder->isValid() ? folder->path() : QString();
}

QString decode_preview_text(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = decode_as(QStringConverter::Utf8, bytes.mid(3));
    else if (bytes.startsWith("\xFF\xFE"))
        text = decode_as(QStringConverter::Utf16LE, bytes.mid(2));
    else if (bytes.startsWith("\xFE\xFF"))
        text = decode_as(QStringConverter::Utf16BE, bytes.mid(2));
    else
        text = QString::fromLocal8Bit(bytes);
    const qsizetype zero = text.indexOf(QChar(0));
    return zero < 0 ? text : text.left(zero);
}

bool looks_like_text(const QByteArray &start)
{
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF"))
        return true;
    return !start.contains('\0');
}

QByteArray load_preview_head(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(k_hex_dump_limit) : QByteArray();
}

file_preview_s load_preview(const QString &path)
{
    file_preview_s preview;
    preview.head = load_preview_head(path);
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // Told by their bytes, not by a name a disk gave them.
    if (reader.canRead())
        preview.image = reader.read();
    else if (is_pdf(preview.head))
        preview.image = render_pdf_first_page(path);
    else if (const QByteArray start = preview.head.left(k_text_bytes); looks_like_text(start))
        preview.text = decode_preview_text(start);
    // An image or a PDF that does not decode shows a note, not its bytes.
    if (!preview.drawable())
        preview.note = preview_note_e::no_preview;
    return preview;
}
