// An engine's restore of one row into a new file at a path, made the way the
// writer makes its files (a file already there is replaced first).
#pragma once

#include <QFile>
#include <string>

#include "engines/recovery_base.h"
#include "platform/output_folder.h"

template <class Fn> int restore_to_path(const QString &path, Fn restore)
{
    output_file_c file;
    QFile::remove(path);
    if (!create_output_file(QFile::encodeName(path).toStdString(), &file))
        return -1;
    const int rc = restore(file);
    const bool closed = file.close(0);
    // As the writer does: a failure that kept nothing leaves nothing.
    if (rc != 0 && file.size() == 0)
        QFile::remove(path);
    return closed ? rc : -1;
}

inline int recover_item_to(recovery_base_c &engine, quint64 id, const QString &path)
{
    return restore_to_path(path, [&](output_file_c &file) { return engine.recover_item(id, file); });
}

inline int recover_row_to(recovery_base_c &engine, const recovery_item_s &row, const QString &path)
{
    return restore_to_path(path, [&](output_file_c &file) { return engine.recover_row(row, file); });
}

inline int recover_head_to(recovery_base_c &engine, const recovery_item_s &row, const QString &path, quint64 max)
{
    return restore_to_path(path, [&](output_file_c &file) { return engine.recover_head(row, file, max); });
}
