// Answers the message boxes that open next, from the event loop, the way a
// user would: by clicking one of their buttons, in turn. What each box said
// is kept.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

class box_answerer_c {
public:
    // The first box gets the first button, the next box the next one.
    explicit box_answerer_c(QList<QMessageBox::StandardButton> answers) : answers(std::move(answers))
    {
        QObject::connect(&poll, &QTimer::timeout, [this] { answer(); });
        poll.start(20);
    }
    explicit box_answerer_c(QMessageBox::StandardButton button) : box_answerer_c(QList{button}) {}

    bool answered() const { return !texts.isEmpty(); }

    QStringList texts;
    // Of the first box.
    QString text;
    QString detailed_text;
    QString title;
    bool has_parent = false;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == last || texts.size() >= answers.size())
            return;
        last = box;
        if (texts.isEmpty()) {
            text = box->text();
            detailed_text = box->detailedText();
            title = box->windowTitle();
            has_parent = box->parentWidget() != nullptr;
            for (QAbstractButton *shown : box->buttons())
                buttons.append(box->standardButton(shown));
            if (box->defaultButton())
                default_button = box->standardButton(box->defaultButton());
        }
        texts.append(box->text());
        if (QAbstractButton *target = box->button(answers.at(texts.size() - 1)))
            target->click();
        else
            box->reject();
    }

    QList<QMessageBox::StandardButton> answers;
    QPointer<QMessageBox> last;
    QTimer poll;
};
