#include "window/app/image_opening.h"

#include <QDir>
#include <QFileDialog>
#include <memory>

#include "core/devices/device_worker.h"
#include "core/devices/image_intake.h"
#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"

namespace {

const char *reason_key(image_check_e check)
{
    switch (check) {
    case image_check_e::missing:
        return "image_missing";
    case image_check_e::folder:
        return "image_folder";
    case image_check_e::unreadable:
        return "image_unreadable";
    case image_check_e::empty:
        return "image_empty";
    case image_check_e::partial_sector:
        return "image_partial_sector";
    case image_check_e::accepted:
        break;
    }
    return "image_refused";
}

// Probes the added images on a worker (it reads every disk's table) and
// then notes each one on which no volume is recognised.
void note_images_without_volume(QWidget *parent, const QStringList &added)
{
    auto *worker = new device_worker_c(parent);
    auto without_volume = std::make_shared<QStringList>();
    worker->run(
        [added, without_volume] {
            for (const QString &path : added)
                if (volumes_on_image(path) == 0)
                    without_volume->append(path);
        },
        [parent, worker, without_volume] {
            worker->deleteLater();
            for (const QString &path : *without_volume)
                warning_box_text(parent, k_title_tarnrecovery,
                                 path + QStringLiteral("\n\n") + lookup_text("image_no_volume"), QMessageBox::Ok);
        });
}

} // namespace

QStringList ask_image_files(QWidget *parent)
{
    return QFileDialog::getOpenFileNames(parent, lookup_text("menu_open_image"), QDir::homePath());
}

int add_image_files(QWidget *parent, const QStringList &paths)
{
    QStringList added;
    for (const QString &path : paths) {
        const image_check_e check = add_checked_image(path);
        if (check != image_check_e::accepted) {
            warning_box_text(parent, k_title_tarnrecovery,
                             lookup_text("image_refused") + QStringLiteral("\n") + path + QStringLiteral("\n\n") +
                                 lookup_text(reason_key(check)),
                             QMessageBox::Ok);
            continue;
        }
        added.append(path);
    }
    if (!added.isEmpty())
        note_images_without_volume(parent, added);
    return int(added.size());
}
