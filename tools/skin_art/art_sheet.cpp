#include "art_sheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

art_sheet_c::art_sheet_c(const QString &root_folder) : root(root_folder) {}

QImage art_sheet_c::canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QString art_sheet_c::folder(const QString &path) const
{
    return root + QStringLiteral("/images/") + path;
}

bool art_sheet_c::save(const QImage &image, const QString &path, const char *format)
{
    const QString file = folder(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    listed.append(path);
    return image.save(file, format);
}

void art_sheet_c::expect(const QString &path)
{
    listed.append(path);
}

bool art_sheet_c::write_qrc() const
{
    QFile file(root + QStringLiteral("/images.qrc"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const QString &path : listed)
        out << "  <file>images/" << path << "</file>\n";
    out << "</qresource>\n</RCC>\n";
    return out.status() == QTextStream::Ok;
}
