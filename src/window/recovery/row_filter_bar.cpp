#include "row_filter_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <utility>

#include "recovery_model.h"
#include "window/text/translation.h"
#include "records/type_groups.h"

namespace {

QString type_group_text(const QString &key)
{
    if (key == QLatin1String("pictures"))
        return lookup_text("type_pictures");
    if (key == QLatin1String("documents"))
        return lookup_text("type_documents");
    if (key == QLatin1String("audio_video"))
        return lookup_text("type_audio_video");
    if (key == QLatin1String("archives"))
        return lookup_text("type_archives");
    if (key == QLatin1String("text"))
        return lookup_text("type_text");
    return key;
}

} // namespace

row_filter_bar_c::row_filter_bar_c(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("filter_bar"));
    typing_.setSingleShot(true);
    typing_.setInterval(250);
    connect(&typing_, &QTimer::timeout, this, &row_filter_bar_c::changed);

    name_edit = add_edit(0);
    type_box = new QComboBox(this);
    type_box->addItem(QString(), QString());
    for (const type_group_s &group : type_groups())
        type_box->addItem(QString(), group.key);
    min_size_edit = add_edit(72);
    max_size_edit = add_edit(72);
    state_box = new QComboBox(this);
    state_box->addItem(QString(), QString());
    for (int i = 0; i < recovery_state_count; ++i)
        state_box->addItem(QString(), recovery_state_key(static_cast<recovery_state_e>(i)));
    since_edit = add_edit(124);
    until_edit = add_edit(124);
    deleted_box = new QCheckBox(this);
    search_edit = add_edit(0);
    search_edit->setClearButtonEnabled(true);
    for (QComboBox *box : {type_box, state_box}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(box, &QComboBox::currentIndexChanged, this, &row_filter_bar_c::changed);
    }
    connect(deleted_box, &QCheckBox::toggled, this, &row_filter_bar_c::changed);

    auto *first = new QHBoxLayout;
    first->addWidget(name_edit, 1);
    first->addWidget(type_box);
    first->addWidget(min_size_edit);
    first->addWidget(max_size_edit);
    first->addWidget(state_box);
    auto *second = new QHBoxLayout;
    second->addWidget(since_edit);
    second->addWidget(until_edit);
    second->addWidget(deleted_box);
    second->addWidget(search_edit, 1);
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(3);
    for (QHBoxLayout *row : {first, second}) {
        row->setSpacing(4);
        rows->addLayout(row);
    }
    set_texts();
}

void row_filter_bar_c::set_texts()
{
    const std::pair<QLineEdit *, const char *> hints[] = {
        {name_edit, "filter_name"},   {min_size_edit, "filter_min_size"}, {max_size_edit, "filter_max_size"},
        {since_edit, "filter_since"}, {until_edit, "filter_until"},       {search_edit, "filter_search"}};
    for (const auto &[edit, key] : hints) {
        edit->setPlaceholderText(lookup_text(key));
        // A field marked bad keeps its error as its tooltip.
        if (edit->styleSheet().isEmpty())
            edit->setToolTip(edit->placeholderText());
    }
    type_box->setItemText(0, lookup_text("type_any"));
    for (int i = 1; i < type_box->count(); ++i)
        type_box->setItemText(i, type_group_text(type_box->itemData(i).toString()));
    state_box->setItemText(0, lookup_text("filter_any_state"));
    for (int i = 0; i < recovery_state_count; ++i)
        state_box->setItemText(i + 1, recovery_state_text(static_cast<recovery_state_e>(i)));
    deleted_box->setText(lookup_text("filter_deleted_only"));
    deleted_box->setToolTip(deleted_box->isEnabled() ? QString() : lookup_text("filter_deleted_only_off"));
}

QLineEdit *row_filter_bar_c::add_edit(int width)
{
    auto *edit = new QLineEdit(this);
    if (width > 0)
        edit->setFixedWidth(width);
    connect(edit, &QLineEdit::textChanged, this, [this] { typing_.start(); });
    return edit;
}

row_filter_texts_s row_filter_bar_c::texts() const
{
    row_filter_texts_s texts;
    if (!name_edit->text().trimmed().isEmpty())
        texts.names = QStringList{name_search_glob(name_edit->text())};
    const QString type = type_box->currentData().toString();
    if (!type.isEmpty())
        texts.types = QStringList{type};
    texts.min_size = min_size_edit->text().trimmed();
    texts.max_size = max_size_edit->text().trimmed();
    texts.since = since_edit->text().trimmed();
    texts.until = until_edit->text().trimmed();
    const QString state = state_box->currentData().toString();
    if (!state.isEmpty())
        texts.states = QStringList{state};
    texts.deleted_only = deleted_box->isChecked();
    return texts;
}

QString row_filter_bar_c::search_text() const
{
    return search_edit->text().trimmed();
}

void row_filter_bar_c::reset(bool deleted_only)
{
    const QSignalBlocker blocked(this);
    for (QLineEdit *edit : {name_edit, min_size_edit, max_size_edit, since_edit, until_edit, search_edit})
        edit->clear();
    type_box->setCurrentIndex(0);
    state_box->setCurrentIndex(0);
    // Deleted files first where the rows hold others too; where every row
    // is deleted, or none is known to be, the box would narrow nothing or
    // hide every find, so it is not offered.
    deleted_box->setChecked(deleted_only);
    deleted_box->setEnabled(deleted_only);
    set_texts();
    typing_.stop();
    show_error(QString());
}

void row_filter_bar_c::clear_search()
{
    const QSignalBlocker blocked(this);
    search_edit->clear();
    typing_.stop();
}

void row_filter_bar_c::mark(QLineEdit *edit, bool bad, const QString &error)
{
    edit->setStyleSheet(bad ? QStringLiteral("QLineEdit{border: 1px solid #d03030;}") : QString());
    // The field may be narrower than its hint in some languages.
    edit->setToolTip(bad ? error : edit->placeholderText());
}

void row_filter_bar_c::show_error(const QString &error)
{
    quint64 bytes = 0;
    qint64 seconds = 0;
    auto bad_size = [&](QLineEdit *e) { return !e->text().trimmed().isEmpty() && !parse_size_text(e->text(), &bytes); };
    auto bad_date = [&](QLineEdit *e, bool end) {
        return !e->text().trimmed().isEmpty() && !parse_date_text(e->text(), end, &seconds);
    };
    const bool bad_min = !error.isEmpty() && bad_size(min_size_edit);
    const bool bad_max = !error.isEmpty() && bad_size(max_size_edit);
    const bool bad_since = !error.isEmpty() && bad_date(since_edit, false);
    const bool bad_until = !error.isEmpty() && bad_date(until_edit, true);
    const bool range = !error.isEmpty() && !(bad_min || bad_max || bad_since || bad_until);
    mark(min_size_edit, bad_min || range, error);
    mark(max_size_edit, bad_max || range, error);
    mark(since_edit, bad_since, error);
    mark(until_edit, bad_until, error);
}
