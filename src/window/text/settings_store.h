// The two user settings kept between runs: the interface language and the
// last recovery folder, in TarnRecovery/TarnRecovery.ini of the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config).
#pragma once

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

extern std::unique_ptr<QSettings> settings_store;
extern QString current_language;
extern QString recovery_folder;

QString settings_file_path();

// Language chosen at installation time, or none.
std::optional<QString> registry_language();

// Reads both settings, picks the first-run language when none is stored and
// loads the texts of the chosen language over English. Returns 0.
int load_settings(const std::function<std::optional<QString>()> &first_run_language = registry_language);

// Writes both settings back and flushes the file. Returns 0.
int save_settings();
