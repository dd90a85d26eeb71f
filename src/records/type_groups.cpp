#include "type_groups.h"

namespace {

type_group_s group(const char *key, const char *extensions)
{
    return type_group_s{QLatin1String(key), QString::fromLatin1(extensions).split(QLatin1Char(' '))};
}

} // namespace

const QList<type_group_s> &type_groups()
{
    // Covers what the carver names its finds, and the common names of what
    // file systems hold.
    static const QList<type_group_s> groups = {
        group("pictures", "jpg jpeg jpe png gif bmp tif tiff webp heic heif ico svg psd raw cr2 nef arw dng orf rw2 "
                          "pbm pgm ppm xbm xpm"),
        group("documents", "pdf doc docx dot dotx xls xlsx ppt pptx odt ods odp rtf epub eml msg wpd pages numbers "
                           "key sqlite"),
        group("audio_video", "mp3 wav flac ogg oga opus m4a aac wma aif aiff mid midi mp4 m4v mov avi mkv webm wmv "
                             "flv mpg mpeg 3gp mts"),
        group("archives", "zip 7z rar gz tgz bz2 xz tar cab iso zst lz lzma jar apk"),
        group("text", "txt csv log md ini cfg conf xml json html htm css js c cpp h hpp py sh bat php pl"),
    };
    return groups;
}

QStringList type_group_extensions(const QString &key)
{
    for (const type_group_s &g : type_groups())
        if (g.key == key)
            return g.extensions;
    return QStringList();
}
