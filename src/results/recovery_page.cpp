#include "results/recovery_page.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "forms/form_parts.h"
#include "engines/engine_factory.h"
#include "shell/translation.h"

bool scan_running = false;

recovery_window_c::recovery_window_c(QWidget* parent) : QWidget(parent)
{
    setupUi(this);
    btn_back->setText(lookup_text("btn_back"));
}

int recovery_window_c::scan_volume(const volume_item_s& chosen, bool deep_flag)
{
    if (scan_running)
        return -1;
    if (!engine_takes(chosen.file_system, deep_flag))
        return -1;
    volume = chosen;
    deep = deep_flag;
    lbl_status->setText(lookup_text("recovery_not_ready") + QStringLiteral("\n\n") + chosen.device_name +
                        QStringLiteral(" (") + (deep ? lookup_text("tab_deep_scan") : chosen.file_system) +
                        QLatin1Char(')'));
    return 0;
}

int recovery_window_c::resume_from_file()
{
    return -1;
}

void recovery_window_c::leave_page()
{
    lbl_status->clear();
}

void recovery_window_c::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap band(QStringLiteral(":/images/background/bai.png"));
    painter.fillRect(QRect(0, 0, width(), band.height()), QBrush(band));
}

void recovery_window_c::resizeEvent(QResizeEvent*)
{
    place_widget(btn_back, QRect(QPoint(175, height() - 54), btn_back->size()));
    place_widget(lbl_status, QRect(25, 45, width() - 50, 140));
}
