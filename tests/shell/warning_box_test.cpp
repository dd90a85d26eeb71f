// The standard warning box: its form, its buttons and what closing returns.
#include <QAbstractButton>
#include <QKeyEvent>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"
#include "window/text/qt_translation.h"
#include "skin/gui_app.h"

namespace {

// Runs action on the modal box once it is shown.
void on_shown_box(const std::function<void(QMessageBox *)> &action)
{
    QTimer::singleShot(0, [action] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        action(box);
    });
}

} // namespace

TEST(warning_box, form_text_title_and_icon)
{
    gui_app();
    current_catalogue().text("startup_warning") = "Please wait";
    auto box = make_warning_box(nullptr, k_title_tarnrecovery, "startup_warning", QMessageBox::Ok);
    EXPECT_EQ(box->text(), "Please wait");
    EXPECT_EQ(box->windowTitle(), "TarnRecovery");
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon) << "the product icon replaces the warning picture";
    EXPECT_FALSE(box->iconPixmap().isNull());
    EXPECT_TRUE(box->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    // Fault: a key missing from the table must show an empty text, not fail.
    auto missing = make_warning_box(nullptr, k_title_restorix, "no_such_key", QMessageBox::NoButton);
    EXPECT_EQ(missing->text(), "");
    EXPECT_EQ(missing->windowTitle(), "Tarn Restorix");
}

TEST(warning_box, box_without_buttons_shows_one_ok_and_returns_ok)
{
    gui_app();
    int buttons = 0;
    on_shown_box([&](QMessageBox *box) {
        buttons = int(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(warning_box(nullptr, k_title_restorix, "main_warning1"), QMessageBox::Ok);
    EXPECT_EQ(buttons, 1);
}

TEST(warning_box, yes_no_box_closed_by_escape_or_window_control_returns_no)
{
    gui_app();
    on_shown_box([](QMessageBox *box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
    });
    EXPECT_EQ(warning_box(nullptr, k_title_tarnrecovery, "back_warning", QMessageBox::Yes | QMessageBox::No),
              QMessageBox::No);

    on_shown_box([](QMessageBox *box) { box->close(); });
    EXPECT_EQ(warning_box(nullptr, k_title_tarnrecovery, "quit_warning", QMessageBox::Yes | QMessageBox::No),
              QMessageBox::No);

    on_shown_box([](QMessageBox *box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(warning_box(nullptr, k_title_tarnrecovery, "quit_warning", QMessageBox::Yes | QMessageBox::No),
              QMessageBox::Yes);
}

TEST(warning_box, qt_buttons_speak_the_chosen_language)
{
    // Fault: Qt's own Yes and No stayed English in a German window.
    gui_app();
    EXPECT_EQ(qt_locale_name("cn"), "zh_CN");
    EXPECT_TRUE(qt_locale_name("en").isEmpty());
    ASSERT_TRUE(apply_language(*qApp, "de")) << "Qt's translations are not installed";
    auto box = make_warning_box(nullptr, k_title_tarnrecovery, "startup_warning", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->button(QMessageBox::No)->text().remove('&'), "Nein");
    for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}
