// tarnrecovery: the window. One instance per user (a second start hands its
// image files to the first and ends); the texts of the chosen language; disk
// image files given with --image FILE (repeatable).
#include <QApplication>
#include <QCommandLineParser>

#include "window/app/init_thread.h"
#include "window/app/main_window.h"
#include "window/text/qt_translation.h"
#include "window/text/settings_store.h"
#include "window/app/single_instance.h"
#include "window/text/translation.h"

namespace {

QStringList image_options(const QCoreApplication &app)
{
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption(
        {QStringLiteral("image"), QStringLiteral("Add a disk image file (repeatable)."), QStringLiteral("FILE")});
    options.process(app);
    return options.values(QStringLiteral("image"));
}

} // namespace

int main(int argc, char **argv)
{
    const std::unique_ptr<QLockFile> instance = acquire_single_instance();
    if (!instance) {
        QCoreApplication second(argc, argv);
        return hand_over_images(image_options(second)) ? 0 : -1;
    }
    load_settings();

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("TarnRecovery"));
    apply_language(app, language_code());
    const QStringList images = image_options(app);

    auto window = std::make_unique<main_window_c>();
    // Before the start-up worker runs, so that it lists them with the rest.
    window->open_images(images);
    instance_server_c server;
    QObject::connect(&server, &instance_server_c::images_handed_over, window.get(),
                     &main_window_c::on_images_handed_over);
    server.listen();
    auto init = std::make_unique<init_c>();
    QObject::connect(init.get(), &init_c::init_finished, window.get(), &main_window_c::on_init_finished);
    init->start();
    window->show();
    const int result = app.exec();
    init.reset();
    window.reset();
    return result;
}
