#include "window/skin/QSkinWidget.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "window/dialogs/help_viewer.h"
#include "window/text/qt_translation.h"
#include "window/text/translation.h"
#include "window/dialogs/warning_box.h"
#include "window/skin/QSkinWidgetResizeHandler.h"

namespace {

void system_images(const char *name, QString (&images)[3])
{
    for (int state = 0; state < 3; ++state)
        images[state] = QStringLiteral(":/images/system/%1%2.png").arg(QLatin1String(name)).arg(state + 1);
}

} // namespace

QSkinWidget::QSkinWidget(QWidget *parent)
    : skin_frame_t<QSkinWidget>(load_skin_images(QStringLiteral(":/images/system")), parent),
      logo_image(QStringLiteral(":/images/top/logo.png"))
{
    using handler_t = button_c<QSkinWidget>::handler_t;
    const handler_t tab_handlers[3] = {&QSkinWidget::on_click_tab1, &QSkinWidget::on_click_tab2,
                                       &QSkinWidget::on_click_tab3};
    for (int tab = 0; tab < 3; ++tab) {
        const QString images[3] = {multilang_image_path(tab + 1, 1), multilang_image_path(tab + 1, 2),
                                   multilang_image_path(tab + 1, 3)};
        tab_buttons[tab] = buttons.add<top_button_c>(images, QRect(10 + 103 * tab, 25, 95, 70), tab_handlers[tab]);
    }
    struct system_button_s {
        const char *name;
        handler_t handler;
    };
    const system_button_s system_buttons[] = {{"quiButton", &QSkinWidget::on_click_close},
                                              {"maxButton", &QSkinWidget::maximize},
                                              {"minButton", &QSkinWidget::minimize},
                                              {"settingButton", &QSkinWidget::open_menu}};
    for (int i = 0; i < 4; ++i) {
        QString images[3];
        system_images(system_buttons[i].name, images);
        button_c<QSkinWidget> *button =
            buttons.add<system_button_c>(images, QRect(1 + 30 * i, 1, 30, 21), system_buttons[i].handler);
        if (system_buttons[i].handler == &QSkinWidget::maximize)
            max_button = button;
    }
    build_menu();
    resize_handler = new QSkinWidgetResizeHandler(this);
}

QSkinWidget::~QSkinWidget() = default;

void QSkinWidget::build_menu()
{
    menu = new QMenu(this);
    languages = menu->addMenu(tr("Language"));
    auto *one_language = new QActionGroup(languages);
    const QStringList &sections = current_catalogue().sections();
    for (int index = int(sections.size()) - 1; index >= 0; --index) {
        QAction *entry = languages->addAction(sections.at(index));
        entry->setData(index);
        entry->setCheckable(true);
        one_language->addAction(entry);
        connect(entry, &QAction::triggered, this, &QSkinWidget::on_click_language);
    }
    menu->addSeparator();
    help_entry = menu->addAction(QString());
    connect(help_entry, &QAction::triggered, this, &QSkinWidget::on_click_help);
    menu->addSeparator();
    exit_entry = menu->addAction(QString());
    connect(exit_entry, &QAction::triggered, this, &QSkinWidget::on_click_close);
    set_menu_texts();
}

void QSkinWidget::set_menu_texts()
{
    for (QAction *entry : languages->actions())
        entry->setChecked(entry->data().toInt() == current_catalogue().current_index());
    help_entry->setText(lookup_text("menu_help"));
    exit_entry->setText(lookup_text("menu_exit"));
}

void QSkinWidget::retranslate()
{
    set_menu_texts();
    for (int tab = 0; tab < 3; ++tab)
        tab_buttons[tab]->set_images(multilang_image_path(tab + 1, 1), multilang_image_path(tab + 1, 2),
                                     multilang_image_path(tab + 1, 3));
    apply_language(*qApp, language_code());
    update();
}

void QSkinWidget::on_click_close()
{
    if (may_close())
        close();
}

void QSkinWidget::on_click_help()
{
    open_help(this);
}

void QSkinWidget::on_click_language()
{
    auto *entry = qobject_cast<QAction *>(sender());
    if (entry && switch_language(entry->data().toInt()) == 0)
        retranslate();
    set_menu_texts();
}

void QSkinWidget::show_active_tab(int tab)
{
    // A clicked tab keeps its hover state until the mouse moves: the old
    // tab would still look chosen beside the new one.
    for (int at = 0; at < 3; ++at) {
        tab_buttons[at]->active = at == tab;
        tab_buttons[at]->state = button_normal;
    }
    update();
}

void QSkinWidget::on_click_tab1()
{
    open_tab(tab_file_system_scan);
}

void QSkinWidget::on_click_tab2()
{
    open_tab(tab_partition_search);
}

void QSkinWidget::on_click_tab3()
{
    open_tab(tab_deep_scan);
}

void QSkinWidget::maximize()
{
    saved_geometry = saveGeometry();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    switch_max_button("resumeButton", &QSkinWidget::restore);
}

void QSkinWidget::restore()
{
    restoreGeometry(saved_geometry);
    switch_max_button("maxButton", &QSkinWidget::maximize);
}

void QSkinWidget::switch_max_button(const char *images_name, button_c<QSkinWidget>::handler_t handler)
{
    QString images[3];
    system_images(images_name, images);
    max_button->set_images(images[0], images[1], images[2]);
    max_button->handler = handler;
    restorable = !restorable;
}

void QSkinWidget::minimize()
{
    buttons.reset_states();
    showMinimized();
}

void QSkinWidget::open_menu()
{
    menu->popup(QCursor::pos());
}

void QSkinWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (!in_band(point) || button_at(point))
        return;
    run_handler(max_button);
}
