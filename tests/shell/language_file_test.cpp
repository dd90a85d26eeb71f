// The shipped language.ini: every language has every text the program asks
// for, in the form the parser reads.
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

#include "window/text/translation.h"

namespace {

QString source_dir()
{
    return qEnvironmentVariable("TARN_SOURCE_DIR");
}

QByteArray shipped_file()
{
    QFile file(source_dir() + "/src/resources/language.ini");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Keys the pages look up by name, and the captions of the drawn tabs and
// home buttons.
const char *const k_known_keys[] = {
    "home_text1",
    "home_text2",
    "home_text3",
    "startup_warning",
    "main_warning1",
    "main_warning2",
    "back_warning",
    "quit_warning",
    "menu_help",
    "menu_exit",
    "btn_back",
    "btn_scan",
    "btn_refresh",
    "volume_select",
    "volume_logical_drives",
    "local_disk",
    "recovery_free",
    "scan_nosel_warning",
    "drive_physical_drives",
    "drive_size",
    "partition_fs",
    "partition_number",
    "partition_ss",
    "partition_es",
    "partition_text1",
    "partition_query",
    "partition_finished",
    "partition_finished_image",
    "partition_kind",
    "partition_primary",
    "partition_logical",
    "partition_extended",
    "partition_table_now",
    "partition_table_new",
    "partition_disk",
    "btn_repair",
    "btn_start",
    "btn_stop",
    "recovery_name",
    "recovery_date1",
    "recovery_date2",
    "btn_pause",
    "btn_resume",
    "btn_save_result",
    "btn_recovery",
    "raw_progress",
    "recovery_reading",
    "recovery_total_files",
    "deep_scan_query",
    "recovery_check_warning",
    "recovery_select",
    "recovery_same_volume_warning",
    "tab_file_recovery",
    "tab_partition_recovery",
    "tab_deep_scan",
    "home_start_scan",
    "home_resume_recovery",
};

// Every key the sources look up through lookup_text or the warning box.
QSet<QString> keys_in_sources()
{
    static const QRegularExpression lookups(R"re((?:lookup_text|warning_box)\s*\((?:[^;"]*?,\s*)?"([A-Za-z0-9_]+)")re");
    QSet<QString> keys;
    for (const char *folder : {"/src", "/tools"}) {
        QDirIterator files(source_dir() + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString code = QString::fromUtf8(file.readAll());
            for (const QRegularExpressionMatch &match : lookups.globalMatch(code))
                keys.insert(match.captured(1));
        }
    }
    return keys;
}

} // namespace

TEST(language_file, every_language_has_every_key)
{
    const QByteArray file = shipped_file();
    ASSERT_FALSE(file.isEmpty());
    QSet<QString> keys = keys_in_sources();
    EXPECT_TRUE(keys.contains("recovery_select")) << "the source scan found nothing";
    for (const char *key : k_known_keys)
        keys.insert(key);

    current_catalogue().load_bytes(file.constData(), std::size_t(file.size()), "English", false);
    const QStringList sections = current_catalogue().sections();
    const QStringList expected = {"English",    "Deutsch", "Français", "Español",  "Italiano", "Português",
                                  "Nederlands", "日本語",  "简体中文", "繁體中文", "العربية"};
    for (const QString &name : expected)
        EXPECT_EQ(sections.count(name), 1) << name.toStdString();

    for (const QString &section : sections) {
        current_catalogue() = text_catalogue_c();
        current_catalogue().load_bytes(file.constData(), std::size_t(file.size()), section, true);
        for (const QString &key : keys) {
            const std::string name = key.toStdString();
            EXPECT_TRUE(current_catalogue().contains(name) && !current_catalogue().text(name).trimmed().isEmpty())
                << section.toStdString() << " lacks " << key.toStdString();
        }
        // The read counter follows this text directly: it needs its own gap.
        const QString reading = current_catalogue().text("recovery_reading");
        EXPECT_TRUE(reading.endsWith(' ') || reading.endsWith(QChar(0xFF1A))) << section.toStdString();
    }
    current_catalogue() = text_catalogue_c();
}

TEST(language_file, every_line_is_a_header_an_entry_a_comment_or_blank)
{
    // Fault: a line the parser silently skips (a blank before "=", a lost
    // quote) would leave a text missing in one language only.
    const QByteArray file = shipped_file();
    ASSERT_FALSE(file.isEmpty());
    static const QRegularExpression entry(R"re(^[a-z0-9_]+="[^\n]+"$)re");
    static const QRegularExpression header(R"re(^\[[^\]]+\]$)re");
    int line_number = 0;
    for (const QByteArray &raw : file.split('\n')) {
        ++line_number;
        const QString line = QString::fromUtf8(raw);
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        EXPECT_TRUE(entry.match(line).hasMatch() || header.match(line).hasMatch())
            << "line " << line_number << ": " << line.toStdString();
    }
}

TEST(language_file, every_language_translates_every_text)
{
    // Fault: a text added in English and copied into the other sections
    // untranslated shows English in the middle of a German window.
    const QByteArray file = shipped_file();
    ASSERT_FALSE(file.isEmpty());
    // Words that read the same in that language.
    const QSet<QString> same_by_nature = {"Deutsch/recovery_name", "Deutsch/btn_pause", "Français/btn_pause",
                                          "Français/volume_logical_drives", "Nederlands/volume_logical_drives",
                                          "Nederlands/menu_help", "Italiano/partition_fs"};
    text_catalogue_c english;
    english.load_bytes(file.constData(), std::size_t(file.size()), "English", true);
    // The keys of the English section, the first one in the file.
    const QString whole = QString::fromUtf8(file);
    const QString english_lines = whole.section("\n[", 1, 1);
    static const QRegularExpression entry(R"re(^([a-z0-9_]+)=)re", QRegularExpression::MultilineOption);
    QStringList keys;
    for (const QRegularExpressionMatch &match : entry.globalMatch(english_lines))
        keys.append(match.captured(1));
    ASSERT_GT(keys.size(), 50);
    for (const QString &section : english.sections()) {
        if (section == "English")
            continue;
        text_catalogue_c other;
        other.load_bytes(file.constData(), std::size_t(file.size()), section, true);
        for (const QString &key : keys) {
            const std::string name = key.toStdString();
            EXPECT_TRUE(other.contains(name)) << section.toStdString() << " lacks " << name;
            if (other.contains(name) && !same_by_nature.contains(section + '/' + key))
                EXPECT_NE(other.text(name), english.text(name)) << section.toStdString() << " leaves " << name
                                                                 << " in English";
        }
    }
}
