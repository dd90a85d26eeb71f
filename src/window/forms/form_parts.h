// Widgets the page forms share: named buttons and the list of a device page.
#pragma once

#include <QRect>
#include <QSize>

class QListView;
class QPushButton;
class QWidget;

QPushButton *make_button(QWidget *form, const char *name, const QRect &place);

// Gives the widget that place in its parent, mirrored when the parent lays
// out right to left (fixed places are not mirrored by Qt itself).
void place_widget(QWidget *widget, const QRect &place);

// The blue-framed list every device page shows its rows in.
QListView *make_list(QWidget *form, const char *name);

// A page button (Back, Refresh, Scan, Start, Repair): Arial 11 on the
// three-state button images.
QPushButton *make_page_button(QWidget *form, const char *name, const QRect &place);
// The width of the page buttons a form places (Back, Refresh, Scan, Start, Repair).
constexpr int k_page_button_width = 75;

// A button's size on its page: least_width wide, wider when its text needs
// it (a German "Aktualisieren" is cut in 75 pixels), as high as it is.
QSize fitted_size(const QPushButton *button, int least_width);

// Gives the button that size with the same centre, mirrored as place_widget.
void place_centred(QPushButton *button, const QPoint &centre, int least_width);

// Gives a button a form made elsewhere (a .ui file) the page buttons' look.
void style_page_button(QPushButton *button);
