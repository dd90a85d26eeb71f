#include "preview_pane.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTabBar>

#include "preview_loader.h"
#include "records/hex_dump.h"
#include "window/text/translation.h"

namespace {
constexpr int k_tabs_height = 24;
constexpr int k_preview_tab = 0;
constexpr int k_hex_tab = 1;
} // namespace

preview_pane_c::preview_pane_c(scan_session_c &session, QWidget *parent)
    : QWidget(parent), loader_(new preview_loader_c(session, this)), tabs_(new QTabBar(this)),
      hex_view_(new QPlainTextEdit(this))
{
    tabs_->setObjectName(QStringLiteral("preview_tabs"));
    tabs_->setDrawBase(false);
    tabs_->addTab(QString());
    tabs_->addTab(QString());
    hex_view_->setObjectName(QStringLiteral("hex_view"));
    hex_view_->setReadOnly(true);
    hex_view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8); // a whole line, text column included, fits the area
    hex_view_->setFont(fixed);
    // Offsets, bytes and text read left to right in every language.
    hex_view_->setLayoutDirection(Qt::LeftToRight);
    hex_view_->hide();
    set_texts();
    connect(loader_, &preview_loader_c::loaded, this, &preview_pane_c::on_loaded);
    connect(tabs_, &QTabBar::currentChanged, this, &preview_pane_c::on_tab_changed);
}

void preview_pane_c::set_texts()
{
    tabs_->setTabText(k_preview_tab, lookup_text("preview_tab"));
    tabs_->setTabText(k_hex_tab, lookup_text("hex_tab"));
    hex_view_->setPlaceholderText(lookup_text("hex_nothing"));
    update();
}

QString preview_pane_c::note_text() const
{
    switch (preview_.note) {
    case preview_note_e::none:
        return QString();
    case preview_note_e::no_preview:
        return lookup_text("preview_none");
    case preview_note_e::too_large:
        return lookup_text("preview_too_large");
    case preview_note_e::unreadable:
        return lookup_text("preview_unreadable");
    }
    return QString();
}

void preview_pane_c::show_row(const recovery_item_s &row)
{
    clear();
    loader_->request(row);
}

void preview_pane_c::clear()
{
    loader_->drop();
    preview_ = file_preview_s();
    fill_hex_view();
    update();
}

void preview_pane_c::settle()
{
    clear();
    loader_->drop_and_wait();
}

bool preview_pane_c::loading() const
{
    return loader_->busy();
}

void preview_pane_c::on_loaded(const file_preview_s &preview)
{
    preview_ = preview;
    fill_hex_view();
    update();
}

void preview_pane_c::on_tab_changed(int tab)
{
    hex_view_->setVisible(tab == k_hex_tab);
    fill_hex_view();
    update();
}

void preview_pane_c::fill_hex_view()
{
    // Formatted only while shown: 64 KiB make some 300,000 characters.
    hex_view_->setPlainText(tabs_->currentIndex() == k_hex_tab ? format_hex_dump(preview_.head) : QString());
}

void preview_pane_c::resizeEvent(QResizeEvent *)
{
    const auto visual = [this](const QRect &where) { return QStyle::visualRect(layoutDirection(), rect(), where); };
    tabs_->setGeometry(visual(QRect(1, 1, qMin(width() - 3, 240), k_tabs_height)));
    hex_view_->setGeometry(visual(QRect(0, k_tabs_height, width() - 1, height() - k_tabs_height)));
}

void preview_pane_c::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (tabs_->currentIndex() != k_preview_tab)
        return;
    const int top = 4 + k_tabs_height;
    const int h = height() - 9 - k_tabs_height;
    const QRect area(4, top, width() - 9, h);
    if (const QString note = note_text(); !note.isEmpty()) {
        painter.setPen(QColor(90, 90, 90));
        painter.setFont(QFont(QStringLiteral("Verdana"), 9));
        painter.drawText(area.adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap, note);
        return;
    }
    if (!preview_.drawable())
        return;
    if (!preview_.image.isNull()) {
        if (preview_.image.width() == 0 || preview_.image.height() == 0 || h <= 0)
            return;
        // Fitted to the area's height, and to its width when that is less.
        const QSize size = preview_.image.size().scaled(area.size(), Qt::KeepAspectRatio);
        const QRect place(QPoint((width() - size.width()) / 2, top), size);
        painter.drawImage(QStyle::visualRect(layoutDirection(), rect(), place), preview_.image);
        return;
    }
    // The file's text reads in its own direction, whatever the page's.
    const bool right_to_left = preview_.text.isRightToLeft();
    painter.setLayoutDirection(right_to_left ? Qt::RightToLeft : Qt::LeftToRight);
    painter.setPen(Qt::black);
    painter.setFont(QFont(QStringLiteral("Verdana"), 9));
    painter.drawText(QStyle::visualRect(layoutDirection(), rect(), area),
                     Qt::TextWrapAnywhere | Qt::AlignTop | Qt::AlignAbsolute |
                         (right_to_left ? Qt::AlignRight : Qt::AlignLeft),
                     preview_.text);
}
