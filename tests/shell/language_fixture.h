// Runs a test in a fresh working folder with a language file of its own and
// a configuration folder inside it, and clears the process-wide text state
// around it.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "window/text/settings_store.h"
#include "window/text/translation.h"

class language_fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        previous_config = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", folder.filePath(QStringLiteral("config")).toUtf8());
        reset_state();
    }
    void TearDown() override
    {
        settings_store.reset();
        QDir::setCurrent(previous);
        qputenv("XDG_CONFIG_HOME", previous_config);
        reset_state();
    }
    static void reset_state()
    {
        current_catalogue() = text_catalogue_c();
        current_language.clear();
        recovery_folder.clear();
    }
    void write_file(const QString &name, const QByteArray &bytes)
    {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    void write_language(const QByteArray &bytes) { write_file(QStringLiteral("language.ini"), bytes); }
    QByteArray read_file(const QString &name)
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool has_file(const QString &name) const { return QFile::exists(folder.filePath(name)); }

    // The settings file, below the folder.
    static QString settings_name() { return QStringLiteral("config/TarnRecovery/TarnRecovery.ini"); }

    QTemporaryDir folder;
    QString previous;
    QByteArray previous_config;
};
