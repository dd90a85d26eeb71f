#include "row_filter.h"

#include <QDateTime>
#include <cmath>
#include <utility>

#include "type_groups.h"

namespace {

// Comma-separated words of every text, trimmed, empty ones dropped.
QStringList split_lists(const QStringList &texts)
{
    QStringList out;
    for (const QString &text : texts)
        for (const QString &word : text.split(QLatin1Char(',')))
            if (!word.trimmed().isEmpty())
                out += word.trimmed();
    return out;
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

QString extension_of(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

} // namespace

row_filter_texts_s readable_filter_texts(row_filter_texts_s texts)
{
    row_filter_c probe;
    const auto readable_list = [&](QStringList row_filter_texts_s::*field) {
        (texts.*field).removeIf([&](const QString &one) {
            row_filter_texts_s alone;
            (alone.*field) = QStringList{one};
            return !probe.set(alone, nullptr);
        });
    };
    readable_list(&row_filter_texts_s::names);
    readable_list(&row_filter_texts_s::states);
    using text_field = QString row_filter_texts_s::*;
    const std::pair<text_field, text_field> ranges[] = {{&row_filter_texts_s::min_size, &row_filter_texts_s::max_size},
                                                        {&row_filter_texts_s::since, &row_filter_texts_s::until}};
    for (const auto &[low, high] : ranges) {
        for (text_field end : {low, high}) {
            row_filter_texts_s alone;
            alone.*end = texts.*end;
            if (!probe.set(alone, nullptr))
                (texts.*end).clear();
        }
        row_filter_texts_s range;
        range.*low = texts.*low;
        range.*high = texts.*high;
        if (!probe.set(range, nullptr)) {
            (texts.*low).clear();
            (texts.*high).clear();
        }
    }
    return texts;
}

bool parse_size_text(const QString &text, quint64 *bytes)
{
    QString number = text.trimmed();
    double unit = 1;
    if (!number.isEmpty()) {
        switch (number.back().toUpper().unicode()) {
        case 'K':
            unit = 1024.0;
            break;
        case 'M':
            unit = 1024.0 * 1024;
            break;
        case 'G':
            unit = 1024.0 * 1024 * 1024;
            break;
        default:
            break;
        }
        if (unit != 1)
            number.chop(1);
    }
    // Digits and at most one point: no signs, exponents or spaces.
    static const QRegularExpression plain(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    if (!plain.match(number).hasMatch())
        return false;
    const double value = number.toDouble() * unit;
    if (!std::isfinite(value) || value >= 18446744073709551616.0)
        return false;
    *bytes = static_cast<quint64>(std::floor(value));
    return true;
}

bool parse_date_text(const QString &text, bool end_of_day, qint64 *seconds)
{
    const QString t = text.trimmed();
    const QDate date = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid()) {
        const QDateTime at = end_of_day ? QDateTime(date, QTime(23, 59, 59)) : QDateTime(date, QTime(0, 0));
        *seconds = at.toSecsSinceEpoch();
        return true;
    }
    for (const char *format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm"}) {
        const QDateTime at = QDateTime::fromString(t, QLatin1String(format));
        if (at.isValid()) {
            *seconds = at.toSecsSinceEpoch();
            return true;
        }
    }
    return false;
}

bool row_filter_c::set(const row_filter_texts_s &texts, QString *error)
{
    row_filter_c next;
    for (const QString &glob : texts.names) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(glob),
                                    QRegularExpression::CaseInsensitiveOption);
        if (glob.isEmpty() || !re.isValid())
            return fail(error, QStringLiteral("not a name pattern: \"%1\"").arg(glob));
        next.names_.append(re);
    }
    for (QString type : split_lists(texts.types)) {
        if (type.startsWith(QLatin1Char('.')))
            type.remove(0, 1);
        const QStringList group = type_group_extensions(type.toLower());
        if (group.isEmpty())
            next.types_ += type.toLower();
        else
            next.types_ += group;
    }
    auto size = [&](const QString &text, const char *what, std::optional<quint64> &out) {
        quint64 bytes = 0;
        if (text.isEmpty())
            return true;
        if (!parse_size_text(text, &bytes))
            return fail(error,
                        QStringLiteral("%1: not a size: \"%2\" (bytes, or a number with K, M or G)")
                            .arg(QLatin1String(what), text));
        out = bytes;
        return true;
    };
    if (!size(texts.min_size, "minimum size", next.min_size_) || !size(texts.max_size, "maximum size", next.max_size_))
        return false;
    if (next.min_size_ && next.max_size_ && *next.min_size_ > *next.max_size_)
        return fail(error, QStringLiteral("the minimum size is larger than the maximum size"));
    auto date = [&](const QString &text, const char *what, bool end_of_day, std::optional<qint64> &out) {
        qint64 seconds = 0;
        if (text.isEmpty())
            return true;
        if (!parse_date_text(text, end_of_day, &seconds))
            return fail(error,
                        QStringLiteral("%1: not a date: \"%2\" (YYYY-MM-DD, optionally with HH:MM[:SS])")
                            .arg(QLatin1String(what), text));
        out = seconds;
        return true;
    };
    if (!date(texts.since, "since", false, next.since_) || !date(texts.until, "until", true, next.until_))
        return false;
    if (next.since_ && next.until_ && *next.since_ > *next.until_)
        return fail(error, QStringLiteral("the since date is later than the until date"));
    for (const QString &key : split_lists(texts.states)) {
        recovery_state_e state;
        if (!recovery_state_from_key(key.toLower(), &state)) {
            QStringList keys;
            for (int i = 0; i < recovery_state_count; ++i)
                keys += recovery_state_key(static_cast<recovery_state_e>(i));
            return fail(
                error,
                QStringLiteral("not a recovery state: \"%1\" (one of %2)").arg(key, keys.join(QStringLiteral(", "))));
        }
        next.states_ |= 1u << static_cast<int>(state);
    }
    next.deleted_only_ = texts.deleted_only;
    *this = next;
    return true;
}

bool row_filter_c::empty() const
{
    return names_.isEmpty() && types_.isEmpty() && !min_size_ && !max_size_ && !since_ && !until_ && states_ == 0 &&
           !deleted_only_;
}

bool row_filter_c::matches(const recovery_item_s &row) const
{
    if (deleted_only_ && !row.deleted)
        return false;
    if (states_ && !(states_ & (1u << static_cast<int>(row.state))))
        return false;
    if ((min_size_ && row.size < *min_size_) || (max_size_ && row.size > *max_size_))
        return false;
    // A row without a known date is outside every date range.
    if ((since_ || until_) && row.modified() == 0)
        return false;
    if ((since_ && row.modified() < *since_) || (until_ && row.modified() > *until_))
        return false;
    if (!types_.isEmpty() && !types_.contains(extension_of(row.name)))
        return false;
    if (names_.isEmpty())
        return true;
    for (const QRegularExpression &re : names_)
        if (re.match(row.name).hasMatch())
            return true;
    return false;
}

namespace {

template <class Row, class Item> QList<Row> keep_matching(const row_filter_c &filter, const QList<Row> &rows, Item item)
{
    if (filter.empty())
        return rows;
    QList<Row> out;
    for (const Row &row : rows)
        if (filter.matches(item(row)))
            out.append(row);
    return out;
}

} // namespace

QList<found_row_s> row_filter_c::apply(const QList<found_row_s> &rows) const
{
    return keep_matching(*this, rows, [](const found_row_s &r) -> const recovery_item_s & { return r.row; });
}

QList<recovery_item_s> row_filter_c::apply(const QList<recovery_item_s> &rows) const
{
    return keep_matching(*this, rows, [](const recovery_item_s &r) -> const recovery_item_s & { return r; });
}

QList<found_row_s> row_filter_c::search(const found_folder_s &root, const QString &typed_name) const
{
    const bool any_name = typed_name.trimmed().isEmpty();
    const QRegularExpression name(QRegularExpression::wildcardToRegularExpression(name_search_glob(typed_name)),
                                  QRegularExpression::CaseInsensitiveOption);
    QList<found_row_s> out;
    walk_found_folders(root, [&](const found_folder_s &folder, const QStringList &names) {
        for (const recovery_item_s &row : folder.files)
            if ((any_name || name.match(row.name).hasMatch()) && matches(row))
                out.append(found_row_s{names, row});
    });
    return out;
}

QString name_search_glob(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('[')))
        return text;
    return QLatin1Char('*') + text + QLatin1Char('*');
}
