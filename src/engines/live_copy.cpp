#include "live_copy.h"

#include <QFile>

#include "platform/file_copy.h"

int copy_file(const std::wstring &source, const QString &destination)
{
    const QByteArray from = QFile::encodeName(QString::fromStdWString(source));
    const QByteArray to = QFile::encodeName(destination);
    return copy_whole_file(from.toStdString(), to.toStdString()) ? 0 : -1;
}
