// The image buttons of one skinned frame and how the mouse drives them. The
// state tests make a repeated press or release of the same spot harmless.
#pragma once

#include <QList>

#include "window/skin/button.h"

template <class T> class skin_buttons_c {
public:
    using handler_t = typename button_c<T>::handler_t;

    skin_buttons_c() = default;
    skin_buttons_c(const skin_buttons_c &) = delete;
    skin_buttons_c &operator=(const skin_buttons_c &) = delete;
    ~skin_buttons_c() { qDeleteAll(list); }

    template <template <class> class V>
    button_c<T> *add(const QString (&images)[3], const QRect &rect, handler_t handler)
    {
        auto *button = new V<T>;
        button->setup(images[0], images[1], images[2], rect.x(), rect.y(), rect.width(), rect.height());
        button->handler = handler;
        list.append(button);
        return button;
    }

    button_c<T> *at(const QPoint &point, const QRect &window) const
    {
        for (button_c<T> *button : list) {
            if (button->hit_test(point, window))
                return button;
        }
        return nullptr;
    }

    // Returns true when a button changed to pressed; moving is allowed only
    // when no button lies under the point.
    bool press(const QPoint &point, const QRect &window, bool &moving_allowed)
    {
        moving_allowed = false;
        for (button_c<T> *button : list) {
            if (!button->hit_test(point, window))
                continue;
            if (button->state != button_pressed) {
                button->state = button_pressed;
                return true;
            }
        }
        moving_allowed = at(point, window) == nullptr;
        return false;
    }

    // The first hit button not yet hovering becomes hovering and its handler
    // is returned; a second release over it returns nothing.
    button_c<T> *release(const QPoint &point, const QRect &window)
    {
        for (button_c<T> *button : list) {
            if (button->hit_test(point, window) && button->state != button_hover) {
                button->state = button_hover;
                return button;
            }
        }
        return nullptr;
    }

    // One state change per move. Returns true when something changed.
    bool move(const QPoint &point, const QRect &window)
    {
        for (button_c<T> *button : list) {
            const bool hit = button->hit_test(point, window);
            if (hit && button->state == button_normal) {
                button->state = button_hover;
                return true;
            }
            if (!hit && button->state != button_normal) {
                button->state = button_normal;
                return true;
            }
        }
        return false;
    }

    void paint(QPainter &painter, const QRect &window) const
    {
        for (const button_c<T> *button : list)
            button->paint(painter, window);
    }

    void reset_states()
    {
        for (button_c<T> *button : list)
            button->state = button_normal;
    }

    QList<button_c<T> *> list;
};
