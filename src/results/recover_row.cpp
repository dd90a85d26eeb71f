#include "recover_row.h"

#include <QFile>
#include <cstdio>
#include <vector>

static constexpr quint32 ntfs_deleted_flag = 0x80;

int recover_row(engine_kind_e kind, recovery_base_c &engine, const recovery_item_s &row,
                const QString &destination)
{
    switch (kind) {
    case engine_ntfs:
        if (!(row.flags & ntfs_deleted_flag)) {
            std::wstring source;
            if (engine.get_item_path(row.id, &source) < 0)
                return -1;
            return copy_file(source, destination);
        }
        return engine.recover_item(row.id, destination);
    case engine_fat:
    case engine_raw:
        return engine.recover_item(row.id, destination);
    }
    return -1;
}

int copy_file(const std::wstring &source, const QString &destination)
{
    FILE *in = fopen(QFile::encodeName(QString::fromStdWString(source)).constData(), "rb");
    if (!in)
        return -1;
    FILE *out = fopen(QFile::encodeName(destination).constData(), "wb");
    if (!out) {
        fclose(in);
        return -1;
    }
    std::vector<char> buffer(131072);
    for (;;) {
        size_t got = fread(buffer.data(), 1, buffer.size(), in);
        if (got == 0 || fwrite(buffer.data(), 1, got, out) != got)
            break;
    }
    fclose(in);
    fclose(out);
    return 0;
}
