#include "window/text/qt_translation.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>
#include <utility>

QString qt_locale_name(const QString &code)
{
    // The Portuguese texts are Brazilian ("arquivo"), as Qt's are.
    static const std::pair<const char *, const char *> k_names[] = {
        {"de", "de"},    {"fr", "fr"},    {"es", "es"}, {"cn", "zh_CN"}, {"hk", "zh_TW"},
        {"it", "it"},    {"jp", "ja"},    {"pt", "pt_BR"}, {"nl", "nl"}, {"ar", "ar"},
    };
    for (const auto &[ours, qt] : k_names) {
        if (code == QLatin1String(ours))
            return QString::fromLatin1(qt);
    }
    return QString();
}

bool apply_language(QGuiApplication &app, const QString &code)
{
    // The language can change while the window is open: the last one's
    // translation goes first.
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    app.setLayoutDirection(code == QLatin1String("ar") ? Qt::RightToLeft : Qt::LeftToRight);
    const QString name = qt_locale_name(code);
    if (name.isEmpty())
        return false;
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    installed = translator;
    return QCoreApplication::installTranslator(translator);
}
