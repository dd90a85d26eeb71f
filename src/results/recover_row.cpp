#include "recover_row.h"

#include <QFile>
#include <cstdio>
#include <vector>

#include "engines/ntfs/ntfs_entry_source.h"

int recover_row(engine_kind_e kind, recovery_base_c &engine, const recovery_item_s &row,
                const QString &destination)
{
    switch (kind) {
    case engine_ntfs: {
        // A live entry is copied only when its mounted path opens; otherwise
        // (unmounted volume, image) it is extracted like a deleted one.
        std::wstring source;
        if (choose_ntfs_entry_source(engine, row.id, row.flags, &source) == ntfs_entry_source_e::live_copy)
            return copy_file(source, destination);
        return engine.recover_item(row.id, destination);
    }
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
    bool complete = true;
    for (;;) {
        size_t got = fread(buffer.data(), 1, buffer.size(), in);
        if (got == 0) {
            complete = !ferror(in);
            break;
        }
        if (fwrite(buffer.data(), 1, got, out) != got) {
            complete = false;
            break;
        }
    }
    fclose(in);
    // A copy cut short keeps what was written but is not reported as restored.
    if (fclose(out) != 0)
        complete = false;
    return complete ? 0 : -1;
}
