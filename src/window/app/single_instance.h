// One running window per user: a lock file named TarnRecovery in the
// runtime folder. The lock of a run that crashed is taken over. The window
// that holds it listens on a local socket of this user; a second start hands
// it its disk image files there and ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>

// The lock file's path (the runtime folder, else the temporary folder).
QString instance_lock_path();
// The socket beside it, named for this user.
QString instance_socket_path();

// The held lock, or null when another instance holds it.
std::unique_ptr<QLockFile> acquire_single_instance(const QString &path = instance_lock_path());

// The second start's part: hands the image files (made absolute here, where
// they were named) to the running window. False when none answered.
bool hand_over_images(const QStringList &paths, const QString &socket = instance_socket_path());

// The running window's part: hears what a second start hands over.
class instance_server_c : public QObject {
    Q_OBJECT
public:
    explicit instance_server_c(QObject *parent = nullptr);
    // Only the holder of the lock listens: a socket left behind is its own.
    bool listen(const QString &socket = instance_socket_path());

signals:
    // A second start was made; the files it was given, maybe none.
    void images_handed_over(const QStringList &paths);

private:
    void on_connection();

    QLocalServer server_;
};
