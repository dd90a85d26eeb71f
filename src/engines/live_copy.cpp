#include "live_copy.h"

#include <QFile>
#include <cstdio>
#include <vector>

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
