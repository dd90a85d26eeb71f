// First-run language, settings kept as found, and what a save writes.
#include <QSettings>
#include <gtest/gtest.h>

#include "shell/language_fixture.h"

namespace {

class settings_store_test : public language_fixture {
protected:
    void SetUp() override
    {
        language_fixture::SetUp();
        write_language("[English]\ngreeting=\"Hello\"\nonly=\"english\"\n[Deutsch]\ngreeting=\"Hallo\"\n");
    }
    QString stored(const char *key)
    {
        QSettings file(folder.filePath(settings_name()), QSettings::IniFormat);
        return file.value(key).toString();
    }
};

std::optional<QString> installer_says_german()
{
    return QStringLiteral("Deutsch");
}

std::optional<QString> installer_says_nothing()
{
    return std::nullopt;
}

} // namespace

TEST_F(settings_store_test, first_run_takes_the_installer_language_and_stores_it)
{
    ASSERT_EQ(load_settings(installer_says_german), 0);
    EXPECT_EQ(current_language, "Deutsch");
    EXPECT_EQ(stored("language"), "Deutsch");
    EXPECT_EQ(lookup_text("greeting"), "Hallo");
    EXPECT_EQ(lookup_text("only"), "english");
    EXPECT_EQ(current_catalogue().current_index(), 1);
}

TEST_F(settings_store_test, first_run_without_installer_language_is_english_and_writes_nothing)
{
    EXPECT_FALSE(registry_language().has_value());
    ASSERT_EQ(load_settings(installer_says_nothing), 0);
    EXPECT_EQ(current_language, "English");
    EXPECT_EQ(lookup_text("greeting"), "Hello");
    EXPECT_FALSE(has_file(settings_name()));
    // The default source is the same: nothing on this platform.
    settings_store.reset();
    ASSERT_EQ(load_settings(), 0);
    EXPECT_FALSE(has_file(settings_name()));
}

TEST_F(settings_store_test, stored_language_is_used_unchanged_even_without_a_section)
{
    write_file(settings_name(),
               QString::fromUtf8("[General]\nlanguage=العربية\nrecovery_folder=/home/x/out\n").toUtf8());
    ASSERT_EQ(load_settings(installer_says_german), 0);
    EXPECT_EQ(current_language, QString::fromUtf8("العربية"));
    EXPECT_EQ(recovery_folder, "/home/x/out");
    EXPECT_EQ(lookup_text("greeting"), "Hello");
    EXPECT_EQ(current_catalogue().current_index(), 0);
    save_settings();
    EXPECT_EQ(stored("language"), QString::fromUtf8("العربية"));
    EXPECT_EQ(stored("recovery_folder"), "/home/x/out");
}

TEST_F(settings_store_test, save_writes_an_absent_recovery_folder_as_empty)
{
    write_file(settings_name(), "[General]\nlanguage=Deutsch\n");
    ASSERT_EQ(load_settings(installer_says_nothing), 0);
    EXPECT_EQ(lookup_text("greeting"), "Hallo");
    current_language = "English";
    ASSERT_EQ(save_settings(), 0);
    const QByteArray saved = read_file(settings_name());
    EXPECT_TRUE(saved.contains("recovery_folder=\n")) << saved.constData();
    EXPECT_EQ(stored("language"), "English");
}
