// The preview area of the recovery page: a tab that draws a clicked file
// (a picture, a PDF's first page, or the start of a text; else says why it
// cannot) and a tab with its first bytes in hex. Files are loaded off the interface thread; what arrives for a row
// the user has already left is never shown.
#pragma once

#include <QWidget>

#include "file_preview.h"
#include "records/recovery_item.h"

class QPlainTextEdit;
class QTabBar;
class preview_loader_c;
class scan_session_c;

class preview_pane_c : public QWidget {
    Q_OBJECT
public:
    preview_pane_c(scan_session_c &session, QWidget *parent);

    // Shows nothing, then the row once it has loaded.
    void show_row(const recovery_item_s &row);
    // Shows nothing; a load still running is not shown.
    void clear();
    // Clears and waits for a load still running, before the engine it
    // reads is used or replaced.
    void settle();
    bool loading() const;
    // The tab names and notes in the current language.
    void set_texts();
    // Why the row shown has no drawing; empty when it has one.
    QString note_text() const;

    const file_preview_s &shown() const { return preview_; }
    // Tab 0 the preview, tab 1 the hex view.
    QTabBar *tabs() const { return tabs_; }
    QPlainTextEdit *hex_view() const { return hex_view_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void on_loaded(const file_preview_s &preview);
    void on_tab_changed(int tab);
    void fill_hex_view();

    preview_loader_c *loader_;
    QTabBar *tabs_;
    QPlainTextEdit *hex_view_;
    file_preview_s preview_;
};
