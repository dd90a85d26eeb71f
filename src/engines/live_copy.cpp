#include "live_copy.h"

#include <QFile>
#include <QString>

int copy_live_file(const std::wstring &source, output_file_c &out)
{
    const QByteArray from = QFile::encodeName(QString::fromStdWString(source));
    return out.append_file(from.toStdString()) ? 0 : -1;
}
