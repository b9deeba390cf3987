#pragma once
// One Orvalis per desk: a second start hands its document path to the
// running program over a local socket and ends.
#include <QObject>
#include <QString>

class QLocalServer;

// Per user and per profile, so desks with their own profile run apart.
QString InstanceServerName();

// True when a running program took the request. An empty path only brings
// the running program to the front.
bool SendToRunningInstance(const QString& absolutePath);

class CInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit CInstanceServer(QObject* parent = nullptr);
    // False when another program listens already or the socket cannot be made.
    bool Listen();

signals:
    void openRequested(const QString& absolutePath);

private:
    QLocalServer* server_;
};
