// Texts by key from a language file: one section per language, any number of
// sections loaded over each other (English first, then the chosen one).
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <map>
#include <string>

class text_catalogue_c {
public:
    // Copies the entries of the named section into the table and rebuilds the
    // section list; with set_index, the section becomes the current one.
    // Returns 0, or -1 (nothing changed) when the file cannot be opened.
    int load_file(const QString &path, const QString &section, bool set_index);
    // The same, over the bytes of a language file already in memory.
    void load_bytes(const char *data, std::size_t size, const QString &section, bool set_index);

    // Never fails: an unknown key is remembered with an empty text.
    QString &text(const std::string &key) { return table[key]; }
    bool contains(const std::string &key) const { return table.count(key) != 0; }
    std::size_t size() const { return table.size(); }

    // Section names of the last loaded file, in file order, repeats included.
    const QStringList &sections() const { return section_names; }
    int current_index() const { return current; }
    // False (nothing changed) when index names no section.
    bool set_current_index(int index);
    // Two-letter code of the current language ("en" when none matches).
    QString language_code() const;

private:
    // Keys are raw bytes of the file, compared byte by byte.
    std::map<std::string, QString> table;
    QStringList section_names;
    int current = 0;
};

// The catalogue every caption of the window is looked up in. Tests replace
// it whole (current_catalogue() = text_catalogue_c()).
text_catalogue_c &current_catalogue();
