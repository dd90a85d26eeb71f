// Groups of file types a user thinks in ("pictures", "documents") and the
// extensions each stands for. A row filter takes a group's key wherever it
// takes an extension.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct type_group_s {
    QString key;            // "pictures", "documents", "audio_video", "archives", "text"
    QStringList extensions; // lower case, no dot
};

// Every group, in the order a list offers them.
const QList<type_group_s> &type_groups();
// The extensions of the group the key names; empty when it names none.
QStringList type_group_extensions(const QString &key);
