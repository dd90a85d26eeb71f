// Image buttons drawn by a skinned frame (T is the frame class). A system
// button's rectangle counts from the window's right edge.
#pragma once

#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QString>

enum button_state_e { button_normal = 0, button_hover = 1, button_pressed = 2 };

template <class T> class button_c {
public:
    using handler_t = void (T::*)();

    QPixmap images[3];
    int state = button_normal;
    QRect rect;
    QString text;
    handler_t handler = nullptr;

    virtual void setup(const QString &normal, const QString &hover, const QString &pressed, int x, int y, int width,
                       int height, const QString &caption = QString())
    {
        set_images(normal, hover, pressed);
        rect = QRect(x, y, width, height);
        text = caption;
    }
    virtual bool hit_test(const QPoint &point, const QRect &window) const = 0;
    virtual void paint(QPainter &painter, const QRect &window) const = 0;
    virtual void set_images(const QString &normal, const QString &hover, const QString &pressed)
    {
        images[0] = QPixmap(normal);
        images[1] = QPixmap(hover);
        images[2] = QPixmap(pressed);
    }
    virtual ~button_c() = default;

protected:
    const QPixmap &current_image() const { return images[state >= 0 && state < 3 ? state : 0]; }
};

template <class T> class top_button_c : public button_c<T> {
public:
    bool hit_test(const QPoint &point, const QRect &) const override { return this->rect.contains(point); }
    void paint(QPainter &painter, const QRect &) const override
    {
        painter.drawPixmap(this->rect.topLeft(), this->current_image());
    }
};

template <class T> class system_button_c : public button_c<T> {
public:
    bool hit_test(const QPoint &point, const QRect &window) const override
    {
        return this->rect.contains(QPoint(window.right() - point.x(), point.y()));
    }
    void paint(QPainter &painter, const QRect &window) const override
    {
        painter.drawPixmap(window.right() - this->rect.right(), this->rect.top(), this->current_image());
    }
};
