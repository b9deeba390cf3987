#include "desktop/app/singleinstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include "core/profile/profile.h"

namespace {

constexpr int kConnectMs = 1000;

}  // namespace

QString InstanceServerName() {
    const QByteArray key = QByteArray::fromStdString(profile::Path());
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("orvalis-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

bool SendToRunningInstance(const QString& absolutePath) {
    QLocalSocket socket;
    socket.connectToServer(InstanceServerName());
    if (!socket.waitForConnected(kConnectMs)) return false;
    socket.write(absolutePath.toUtf8());
    socket.flush();
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kConnectMs);
    return true;
}

CInstanceServer::CInstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            auto* buffer = new QByteArray;
            connect(s, &QLocalSocket::readyRead, s, [s, buffer] { buffer->append(s->readAll()); });
            connect(s, &QLocalSocket::disconnected, this, [this, s, buffer] {
                buffer->append(s->readAll());
                const QString path = QString::fromUtf8(*buffer);
                delete buffer;
                s->deleteLater();
                emit openRequested(path);
            });
        }
    });
}

bool CInstanceServer::Listen() {
    // Listening with access options replaces a socket of the same name, so a
    // program that answers is asked first.
    {
        QLocalSocket probe;
        probe.connectToServer(InstanceServerName());
        if (probe.waitForConnected(kConnectMs)) return false;
    }
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(InstanceServerName())) return true;
    // A name left behind by a program that ended without cleaning up.
    QLocalServer::removeServer(InstanceServerName());
    return server_->listen(InstanceServerName());
}
