#include "ui/qt/app/single_instance.h"

#include <unistd.h>
#include <QLocalServer>
#include <QLocalSocket>

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

QString SingleInstance::serverName() {
    QString display = qEnvironmentVariable("DISPLAY", "none");
    display.replace('/', '_');
    return QString("zorvane-change-hotkey-%1-%2").arg(::getuid()).arg(display);
}

bool SingleInstance::askRunningCopyToShow() {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(500)) return false;
    socket.write("show\n");
    socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName())) {
        // A copy that crashed leaves its socket behind; nobody answered on it.
        QLocalServer::removeServer(serverName());
        if (!server_->listen(serverName())) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            emit showRequested();
        }
    });
    return true;
}
