// Qt's own texts (file dialogs, OK and Cancel) in the chosen language.
#pragma once

#include <QString>

class QGuiApplication;

// The Qt locale name of a language code of ours ("cn" -> "zh_CN"); empty
// for English and unknown codes.
QString qt_locale_name(const QString &code);

// Lays the application out right to left for Arabic and installs Qt's
// translation of its own texts for that language code, from where Qt keeps
// them. Returns false when there is none (Qt's texts stay English).
bool apply_language(QGuiApplication &app, const QString &code);
