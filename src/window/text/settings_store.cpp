#include "window/text/settings_store.h"

#include <QStandardPaths>

#include "window/text/translation.h"

std::unique_ptr<QSettings> settings_store;
QString current_language;
QString recovery_folder;

namespace {
const char k_settings_file[] = "/TarnRecovery/TarnRecovery.ini";
const char k_language_key[] = "language";
const char k_recovery_folder_key[] = "recovery_folder";
const char k_fallback_language[] = "English";
std::unique_ptr<QSettings> open_settings()
{
    return std::make_unique<QSettings>(settings_file_path(), QSettings::IniFormat);
}

} // namespace

QString settings_file_path()
{
    // Read before the application object exists: the generic folder needs
    // no application name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QString::fromLatin1(k_settings_file);
}

std::optional<QString> registry_language()
{
    // Nothing here plays the installer's part of leaving a language behind.
    return std::nullopt;
}

int load_settings(const std::function<std::optional<QString>()> &first_run_language)
{
    settings_store = open_settings();
    recovery_folder = settings_store->value(k_recovery_folder_key).toString();
    current_language = settings_store->value(k_language_key).toString();
    if (current_language.isEmpty()) {
        std::optional<QString> chosen = first_run_language ? first_run_language() : std::nullopt;
        if (chosen && !chosen->isEmpty()) {
            current_language = *chosen;
            settings_store->setValue(k_language_key, current_language);
            settings_store->sync();
        } else {
            current_language = QString::fromLatin1(k_fallback_language);
        }
    }
    load_language_section(QString::fromLatin1(k_fallback_language), false);
    load_language_section(current_language, true);
    return 0;
}

int save_settings()
{
    if (!settings_store)
        settings_store = open_settings();
    settings_store->setValue(k_recovery_folder_key, recovery_folder);
    settings_store->setValue(k_language_key, current_language);
    settings_store->sync();
    return 0;
}
