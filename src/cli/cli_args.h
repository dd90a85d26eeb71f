// Command-line words after the sub-command: positional words and --options.
#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

class cli_args_c {
public:
    // value_options: options that take the next word as their value; of
    // them, only those in repeatable may be given more than once (as --image
    // or --id), the rest would silently lose all but one value. Every other
    // --word is a switch.
    cli_args_c(const QStringList &words, const QSet<QString> &value_options,
               const QSet<QString> &repeatable = QSet<QString>());

    bool ok() const { return error_.isEmpty(); }
    const QString &error() const { return error_; }

    const QStringList &positional() const { return positional_; }
    bool has(const QString &option) const;
    QString value(const QString &option) const;      // last value, or empty
    QStringList values(const QString &option) const; // every value, in order
    // Options given that are not in allowed (switches and value options).
    QStringList unknown(const QSet<QString> &allowed) const;

private:
    QStringList positional_;
    QList<QPair<QString, QString>> options_;
    QString error_;
};

// Options that take a value, for every command alike.
QSet<QString> cli_value_options();
// Of those, the ones that may be given more than once.
QSet<QString> cli_repeatable_options();
