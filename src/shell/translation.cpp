#include "shell/translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <regex>

#include "shell/settings_store.h"

std::map<std::string, QString> text_table;
QStringList language_sections;
int current_language_index = 0;

namespace {

const char k_language_file[] = "language.ini";
// Lines are read through a 2,048-byte buffer: longer ones arrive in pieces.
const std::size_t k_line_piece = 2047;

// A backtracking matcher takes cubic time on a line of long blank runs
// around "=" (a hand-edited or damaged file would hang the start); the
// polynomial matcher of the same library gives the same matches.
#ifdef __GLIBCXX__
const auto k_pattern_flags = std::regex::ECMAScript | std::regex_constants::__polynomial;
#else
const auto k_pattern_flags = std::regex::ECMAScript;
#endif

struct language_code_s {
    const char* section;
    const char* code;
};

const language_code_s k_language_codes[] = {
    {"Deutsch", "de"},
    {"Français", "fr"},
    {"Español", "es"},
    {"简体中文", "cn"},
    {"繁體中文", "hk"},
    {"Italiano", "it"},
    {"日本語", "jp"},
    {"Português", "pt"},
    {"Nederlands", "nl"},
    {"العربية", "ar"},
};

QString program_folder()
{
    // Before the application object exists only the kernel knows our path.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

std::string apply_escapes(std::string text)
{
    for (auto [from, to] : {std::pair<const char*, char>{"\\t", '\t'}, {"\\n", '\n'}}) {
        std::size_t at = 0;
        while ((at = text.find(from, at)) != std::string::npos) {
            text.replace(at, 2, 1, to);
            ++at;
        }
    }
    return text;
}

bool match_line(const std::regex& pattern, const std::string& line, std::smatch& groups)
{
    try {
        return std::regex_match(line, groups, pattern);
    } catch (const std::regex_error&) {
        // An input too complex for the matcher is a malformed line.
        return false;
    }
}

} // namespace

QString language_file_path()
{
    const QString here = QString::fromLatin1(k_language_file);
    if (QFileInfo::exists(here))
        return here;
    return program_folder() + QLatin1Char('/') + here;
}

void load_language_bytes(const char* data, std::size_t size, const QString& section, bool set_index)
{
    static const std::regex section_pattern(R"re(^\s*\[(.*)\]\s*$)re", k_pattern_flags);
    static const std::regex entry_pattern(R"re(^\s*([^;].*)\s*=\s*"(.+)"\s*$)re", k_pattern_flags);

    language_sections.clear();
    bool in_section = false;
    std::size_t at = 0;
    while (at < size) {
        std::size_t end = at;
        while (end < size && end - at < k_line_piece && data[end] != '\n')
            ++end;
        if (end < size && end - at < k_line_piece)
            ++end; // the line break belongs to the line
        // A zero byte ends the line as it ends a C string.
        const char* zero = std::find(data + at, data + end, '\0');
        const std::string line(data + at, zero);
        at = end;

        std::smatch groups;
        if (match_line(section_pattern, line, groups)) {
            const std::string name = groups[1].str();
            language_sections.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
            if (in_section) {
                in_section = false;
            } else if (language_sections.last() == section) {
                in_section = true;
                if (set_index)
                    current_language_index = int(language_sections.size()) - 1;
            }
        } else if (in_section && match_line(entry_pattern, line, groups)) {
            const std::string text = apply_escapes(groups[2].str());
            text_table[groups[1].str()] = QString::fromUtf8(text.data(), qsizetype(text.size()));
        }
    }
}

int load_language_section(const QString& section, bool set_index)
{
    QFile file(language_file_path());
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    load_language_bytes(bytes.constData(), std::size_t(bytes.size()), section, set_index);
    return 0;
}

QString& lookup_text(const std::string& key)
{
    return text_table[key];
}

QString language_code()
{
    if (current_language_index < 0 || current_language_index >= language_sections.size())
        return QStringLiteral("en");
    const QString& name = language_sections.at(current_language_index);
    for (const language_code_s& entry : k_language_codes) {
        if (name.compare(QString::fromUtf8(entry.section), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(entry.code);
    }
    return QStringLiteral("en");
}

QString multilang_image_path(int tab_number, int state_digit)
{
    return QStringLiteral(":/images/multilang/%1/btn_top%2%3.png").arg(language_code()).arg(tab_number).arg(state_digit);
}

QString multilang_image_path(const QString& base_name, int state_digit)
{
    return QStringLiteral("/images/multilang/%1/%2%3.png").arg(language_code(), base_name).arg(state_digit);
}

QString three_state_button_style(const QString& normal, const QString& hover, const QString& pressed)
{
    return QStringLiteral("QPushButton{ border-image: url(:%1); }QPushButton:hover{ border-image: url(:%2);}"
                          "QPushButton:pressed{  border-image: url(:%3);}")
        .arg(normal, hover, pressed);
}

int switch_language(int index)
{
    if (index == current_language_index || index < 0 || index >= language_sections.size())
        return -1;
    current_language = language_sections.at(index);
    current_language_index = index;
    save_settings();
    return 0;
}
