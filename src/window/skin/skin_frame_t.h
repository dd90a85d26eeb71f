// Binds a frame's image buttons (whose handlers are members of T) to the
// shared frame behaviour.
#pragma once

#include "window/skin/skin_buttons.h"
#include "window/skin/skin_frame.h"

template <class T> class skin_frame_t : public skin_frame_c {
public:
    using skin_frame_c::skin_frame_c;

    bool button_at(const QPoint &point) const override { return buttons.at(point, rect()) != nullptr; }
    const QList<button_c<T> *> &button_list() const { return buttons.list; }

protected:
    bool press_buttons(const QPoint &point, bool &allow_moving) override
    {
        return buttons.press(point, rect(), allow_moving);
    }
    bool release_buttons(const QPoint &point) override
    {
        button_c<T> *button = buttons.release(point, rect());
        if (!button)
            return false;
        update();
        // The handler may close the window: nothing of it is used afterwards.
        run_handler(button);
        return true;
    }
    void run_handler(const button_c<T> *button)
    {
        if (button->handler)
            (static_cast<T *>(this)->*(button->handler))();
    }
    bool move_buttons(const QPoint &point) override { return buttons.move(point, rect()); }
    void paint_buttons(QPainter &painter) const override { buttons.paint(painter, rect()); }

    skin_buttons_c<T> buttons;
};
