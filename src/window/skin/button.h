// Image buttons drawn by a skinned frame (T is the frame class). A system
// button's rectangle counts from the window's right edge. On a right-to-left
// page every button lies mirrored: tabs on the right, system buttons on the left.
#pragma once

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QStyle>

enum button_state_e { button_normal = 0, button_hover = 1, button_pressed = 2 };

template <class T> class button_c {
public:
    using handler_t = void (T::*)();

    QPixmap images[3];
    int state = button_normal;
    QRect rect;
    QString text;
    handler_t handler = nullptr;
    // Shown selected while nothing hovers over it or presses it.
    bool active = false;

    virtual void setup(const QString &normal, const QString &hover, const QString &pressed, int x, int y, int width,
                       int height, const QString &caption = QString())
    {
        set_images(normal, hover, pressed);
        rect = QRect(x, y, width, height);
        text = caption;
    }
    bool hit_test(const QPoint &point, const QRect &window) const { return visual_place(window).contains(point); }
    void paint(QPainter &painter, const QRect &window) const
    {
        painter.drawPixmap(visual_place(window).topLeft(), current_image());
    }
    virtual void set_images(const QString &normal, const QString &hover, const QString &pressed)
    {
        images[0] = QPixmap(normal);
        images[1] = QPixmap(hover);
        images[2] = QPixmap(pressed);
    }
    virtual ~button_c() = default;

protected:
    // Where the button lies in a left-to-right window.
    virtual QRect place(const QRect &window) const = 0;

private:
    QRect visual_place(const QRect &window) const
    {
        return QStyle::visualRect(QGuiApplication::layoutDirection(), window, place(window));
    }
    const QPixmap &current_image() const
    {
        if (active && state == button_normal)
            return images[button_pressed];
        return images[state >= 0 && state < 3 ? state : 0];
    }
};

template <class T> class top_button_c : public button_c<T> {
protected:
    QRect place(const QRect &) const override { return this->rect; }
};

template <class T> class system_button_c : public button_c<T> {
protected:
    QRect place(const QRect &window) const override
    {
        return QRect(QPoint(window.right() - this->rect.right(), this->rect.top()), this->rect.size());
    }
};
