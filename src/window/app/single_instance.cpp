#include "window/app/single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace {
constexpr int k_hand_over_ms = 5000;
// Paths cannot hold a zero byte: it ends each one.
constexpr char k_end_of_path = '\0';
} // namespace

QString instance_lock_path()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/TarnRecovery");
}

QString instance_socket_path()
{
    // The temporary folder is shared: the user's number keeps it apart.
    return instance_lock_path() + QStringLiteral("-%1.socket").arg(getuid());
}

std::unique_ptr<QLockFile> acquire_single_instance(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Only a lock whose process is gone is stale: with the default age limit
    // a second instance would take over from a window open for 30 s.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return nullptr;
    return lock;
}

bool hand_over_images(const QStringList &paths, const QString &socket)
{
    QLocalSocket connection;
    connection.connectToServer(socket);
    if (!connection.waitForConnected(k_hand_over_ms))
        return false;
    QByteArray message;
    for (const QString &path : paths)
        message += QFile::encodeName(QFileInfo(path).absoluteFilePath()) + k_end_of_path;
    connection.write(message);
    while (connection.bytesToWrite() > 0)
        if (!connection.waitForBytesWritten(k_hand_over_ms))
            return false;
    connection.disconnectFromServer();
    return connection.state() == QLocalSocket::UnconnectedState || connection.waitForDisconnected(k_hand_over_ms);
}

instance_server_c::instance_server_c(QObject *parent) : QObject(parent)
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &instance_server_c::on_connection);
}

bool instance_server_c::listen(const QString &socket)
{
    QLocalServer::removeServer(socket);
    return server_.listen(socket);
}

void instance_server_c::on_connection()
{
    while (QLocalSocket *connection = server_.nextPendingConnection()) {
        // Everything is read once the second start has hung up.
        const auto heard = [this, connection] {
            QStringList paths;
            for (const QByteArray &path : connection->readAll().split(k_end_of_path))
                if (!path.isEmpty())
                    paths.append(QFile::decodeName(path));
            connection->deleteLater();
            emit images_handed_over(paths);
        };
        if (connection->state() == QLocalSocket::UnconnectedState)
            heard();
        else
            connect(connection, &QLocalSocket::disconnected, this, heard);
    }
}
