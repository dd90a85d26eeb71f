// Runs a test in a fresh working folder with a language file of its own, and
// clears the process-wide text state around it.
#pragma once

#include <QDir>
#include <QFile>
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
        reset_state();
    }
    void TearDown() override
    {
        settings_store.reset();
        QDir::setCurrent(previous);
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

    QTemporaryDir folder;
    QString previous;
};
