// The two user settings kept between runs: the interface language and the
// recovery folder, in "TarnRecovery.ini" in the working folder.
#pragma once

#include <QSettings>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

extern std::unique_ptr<QSettings> settings_store;
extern QString current_language;
extern QString recovery_folder;

// Language chosen at installation time, or none.
std::optional<QString> registry_language();

// Reads both settings, picks the first-run language when none is stored and
// loads the texts of the chosen language over English. Returns 0.
int load_settings(const std::function<std::optional<QString>()> &first_run_language = registry_language);

// Writes both settings back and flushes the file. Returns 0.
int save_settings();
