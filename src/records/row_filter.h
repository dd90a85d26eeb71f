// Narrowing a flood of finds down to what the user looks for: by name,
// type, size, modified date, recovery state and whether the file system
// still lists the file. The command line fills it from its options, the
// recovery page from its filter bar.
#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>

#include "found_row.h"
#include "recovery_item.h"

// The filter's fields as the user typed them; empty means "any".
struct row_filter_texts_s {
    QStringList names; // globs ("*.jpg", "report?.doc"), any of them
    QStringList types; // extensions or type group keys, each text may list several: "jpg,png", "pictures"
    QString min_size;  // bytes, or with K, M or G (1024-based)
    QString max_size;
    QString since;      // YYYY-MM-DD, optionally with HH:MM[:SS], local time
    QString until;      // a date alone means to the end of that day
    QStringList states; // state keys, each text may list several: "intact,no_data"
    bool deleted_only = false; // only what the file system no longer lists
};

class row_filter_c {
public:
    // Checks and takes the texts; false with the reason in *error (which
    // names the field and the value) when one does not parse.
    bool set(const row_filter_texts_s &texts, QString *error);

    // Whether the filter lets every row through.
    bool empty() const;
    bool matches(const recovery_item_s &row) const;
    QList<found_row_s> apply(const QList<found_row_s> &rows) const;
    QList<recovery_item_s> apply(const QList<recovery_item_s> &rows) const;
    // The matching files of every folder below root, "/" included, depth
    // first, each with the folders above it; with a typed name, only those
    // whose name also matches its name_search_glob.
    QList<found_row_s> search(const found_folder_s &root, const QString &typed_name = QString()) const;

private:
    QList<QRegularExpression> names_;
    QStringList types_; // lower case, no dot
    std::optional<quint64> min_size_, max_size_;
    std::optional<qint64> since_, until_;
    quint32 states_ = 0; // bit per recovery_state_e; 0: any
    bool deleted_only_ = false;
};

// The texts less every field that does not parse, and both ends of a range
// whose ends are the wrong way round: what a filter bar still applies while
// it marks the rest, so no earlier value of a field stays silently in force.
row_filter_texts_s readable_filter_texts(row_filter_texts_s texts);

// The name pattern of what a user types into a search field: a glob as
// typed when it has wildcards, else any name that contains the text.
QString name_search_glob(const QString &typed);

// "4096", "5K", "1.5M", "2G" in bytes; false for anything else.
bool parse_size_text(const QString &text, quint64 *bytes);
// Seconds since 1970 of a local date ("2024-03-01") or date and time
// ("2024-03-01 14:30", "2024-03-01T14:30:05"); a date alone is its first
// second, or its last when end_of_day. False when it does not parse.
bool parse_date_text(const QString &text, bool end_of_day, qint64 *seconds);
