#include "window/text/translation.h"

#include <QFileInfo>

#include "window/text/settings_store.h"

namespace {

const char k_language_file[] = "language.ini";

QString program_folder()
{
    // Before the application object exists only the kernel knows our path.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

} // namespace

QString language_file_path()
{
    const QString here = QString::fromLatin1(k_language_file);
    if (QFileInfo::exists(here))
        return here;
    // Installed: <prefix>/bin/tarnrecovery reads <prefix>/share/tarnrecovery.
    const QString installed = program_folder() + QStringLiteral("/../share/tarnrecovery/") + here;
    if (QFileInfo::exists(installed))
        return installed;
    return program_folder() + QLatin1Char('/') + here;
}

int load_language_section(const QString &section, bool set_index)
{
    return current_catalogue().load_file(language_file_path(), section, set_index);
}

QString &lookup_text(const std::string &key)
{
    return current_catalogue().text(key);
}

QString language_code()
{
    return current_catalogue().language_code();
}

QString multilang_image_path(int tab_number, int state_digit)
{
    return QStringLiteral(":/images/multilang/%1/btn_top%2%3.png")
        .arg(language_code())
        .arg(tab_number)
        .arg(state_digit);
}

QString multilang_image_path(const QString &base_name, int state_digit)
{
    return QStringLiteral("/images/multilang/%1/%2%3.png").arg(language_code(), base_name).arg(state_digit);
}

QString three_state_button_style(const QString &normal, const QString &hover, const QString &pressed)
{
    return QStringLiteral("QPushButton{ border-image: url(:%1); }QPushButton:hover{ border-image: url(:%2);}"
                          "QPushButton:pressed{  border-image: url(:%3);}")
        .arg(normal, hover, pressed);
}

int switch_language(int index)
{
    text_catalogue_c &catalogue = current_catalogue();
    if (index == catalogue.current_index() || !catalogue.set_current_index(index))
        return -1;
    current_language = catalogue.sections().at(index);
    // English first: a text the language lacks stays readable.
    load_language_section(QStringLiteral("English"), false);
    load_language_section(current_language, true);
    save_settings();
    return 0;
}
