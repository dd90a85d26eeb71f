#include "target.h"

#include <cstdio>

bool add_cli_images(const cli_args_c &args)
{
    for (const QString &image : args.values(QStringLiteral("image"))) {
        QString error;
        if (!add_image_file(image, &error)) {
            fprintf(stderr, "tarnrecovery-cli: %s\n", qPrintable(error));
            return false;
        }
    }
    return true;
}

bool resolve_target(const cli_args_c &args, volume_item_s &out, QString *error)
{
    if (args.positional().isEmpty()) {
        *error = QStringLiteral("tarnrecovery-cli: no target given");
        return false;
    }
    return resolve_volume(args.positional().first(), args.value(QStringLiteral("partition")), out, error);
}
