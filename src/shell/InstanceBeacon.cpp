// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/InstanceBeacon.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalSocket>

namespace pelvane::shell {

namespace {

constexpr int kWaitMs = 1000;
constexpr char kShowRequest[] = "show\n";

}  // namespace

QString BeaconName(const std::string& settingsFile) {
  QFileInfo file(QString::fromStdString(settingsFile));
  const QString path =
      file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
  const QByteArray hash =
      QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QString("pelvane-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

InstanceBeacon::InstanceBeacon(const std::string& settingsFile) {
  const QString name = BeaconName(settingsFile);
  // The lock is ours, so a socket left under this name is a dead copy's.
  QLocalServer::removeServer(name);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(name);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->readAll().contains("show")) Q_EMIT showRequested();
      });
    }
  });
}

bool AskRunningCopyToShow(const std::string& settingsFile) {
  QLocalSocket socket;
  socket.connectToServer(BeaconName(settingsFile));
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write(kShowRequest);
  const bool sent = socket.waitForBytesWritten(kWaitMs);
  socket.disconnectFromServer();
  return sent;
}

}  // namespace pelvane::shell
