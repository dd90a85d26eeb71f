#include "window/text/text_catalogue.h"

#include <QFile>
#include <algorithm>
#include <regex>

namespace {

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
    const char *section;
    const char *code;
};

const language_code_s k_language_codes[] = {
    {"Deutsch", "de"},  {"Français", "fr"}, {"Español", "es"},   {"简体中文", "cn"},   {"繁體中文", "hk"},
    {"Italiano", "it"}, {"日本語", "jp"},   {"Português", "pt"}, {"Nederlands", "nl"}, {"العربية", "ar"},
};

std::string apply_escapes(std::string text)
{
    for (auto [from, to] : {std::pair<const char *, char>{"\\t", '\t'}, {"\\n", '\n'}}) {
        std::size_t at = 0;
        while ((at = text.find(from, at)) != std::string::npos) {
            text.replace(at, 2, 1, to);
            ++at;
        }
    }
    return text;
}

bool match_line(const std::regex &pattern, const std::string &line, std::smatch &groups)
{
    try {
        return std::regex_match(line, groups, pattern);
    } catch (const std::regex_error &) {
        // An input too complex for the matcher is a malformed line.
        return false;
    }
}

} // namespace

void text_catalogue_c::load_bytes(const char *data, std::size_t size, const QString &section, bool set_index)
{
    static const std::regex section_pattern(R"re(^\s*\[(.*)\]\s*$)re", k_pattern_flags);
    static const std::regex entry_pattern(R"re(^\s*([^;].*)\s*=\s*"(.+)"\s*$)re", k_pattern_flags);

    section_names.clear();
    bool in_section = false;
    std::size_t at = 0;
    while (at < size) {
        std::size_t end = at;
        while (end < size && end - at < k_line_piece && data[end] != '\n')
            ++end;
        if (end < size && end - at < k_line_piece)
            ++end; // the line break belongs to the line
        // A zero byte ends the line as it ends a C string.
        const char *zero = std::find(data + at, data + end, '\0');
        const std::string line(data + at, zero);
        at = end;

        std::smatch groups;
        if (match_line(section_pattern, line, groups)) {
            const std::string name = groups[1].str();
            section_names.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
            if (in_section) {
                in_section = false;
            } else if (section_names.last() == section) {
                in_section = true;
                if (set_index)
                    current = int(section_names.size()) - 1;
            }
        } else if (in_section && match_line(entry_pattern, line, groups)) {
            const std::string text = apply_escapes(groups[2].str());
            table[groups[1].str()] = QString::fromUtf8(text.data(), qsizetype(text.size()));
        }
    }
}

int text_catalogue_c::load_file(const QString &path, const QString &section, bool set_index)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    load_bytes(bytes.constData(), std::size_t(bytes.size()), section, set_index);
    return 0;
}

bool text_catalogue_c::set_current_index(int index)
{
    if (index < 0 || index >= section_names.size())
        return false;
    current = index;
    return true;
}

QString text_catalogue_c::language_code() const
{
    if (current < 0 || current >= section_names.size())
        return QStringLiteral("en");
    const QString &name = section_names.at(current);
    for (const language_code_s &entry : k_language_codes) {
        if (name.compare(QString::fromUtf8(entry.section), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(entry.code);
    }
    return QStringLiteral("en");
}

text_catalogue_c &current_catalogue()
{
    static text_catalogue_c catalogue;
    return catalogue;
}
