// Frame of the main window: top band with title, logo, three top tabs, the
// quit, maximize, minimize and setting buttons, and the main menu.
#pragma once

#include <QByteArray>
#include <QMenu>

#include "window/skin/skin_frame_t.h"

class QSkinWidgetResizeHandler;

class QSkinWidget : public skin_frame_t<QSkinWidget> {
    Q_OBJECT
public:
    explicit QSkinWidget(QWidget *parent = nullptr);
    ~QSkinWidget() override;

    // The three top tabs; the window behind the frame decides where each leads.
    enum top_tab_e { tab_file_system_scan, tab_partition_search, tab_deep_scan };
    virtual void open_tab(top_tab_e tab) = 0;
    // The tab of the mode the window is in shows selected, the others plain;
    // -1: none.
    void show_active_tab(int tab);
    const button_c<QSkinWidget> *tab_button(top_tab_e tab) const { return tab_buttons[tab]; }

    QMenu *main_menu() const { return menu; }
    button_c<QSkinWidget> *maximize_button() const { return max_button; }
    bool is_restorable() const { return restorable; }

public slots:
    void on_click_close();
    void on_click_help();
    void on_click_language();

protected:
    // After the language changed: the frame's tabs and menu read the new
    // texts; a window behind it adds its pages.
    virtual void retranslate();
    void mouseDoubleClickEvent(QMouseEvent *event) override;

    // The main window asks its questions here (a scan still running) before
    // the window closes.
    virtual bool may_close() { return true; }
    QPixmap logo() const override { return logo_image; }

private:
    void on_click_tab1();
    void on_click_tab2();
    void on_click_tab3();
    void maximize();
    void restore();
    void switch_max_button(const char *images_name, button_c<QSkinWidget>::handler_t handler);
    void minimize();
    void open_menu();
    void build_menu();
    void set_menu_texts();

    QSkinWidgetResizeHandler *resize_handler;
    QPixmap logo_image;
    button_c<QSkinWidget> *max_button = nullptr;
    button_c<QSkinWidget> *tab_buttons[3] = {};
    QMenu *menu = nullptr;
    QMenu *languages = nullptr;
    QAction *help_entry = nullptr;
    QAction *exit_entry = nullptr;
    QByteArray saved_geometry;
    bool restorable = true;
};
