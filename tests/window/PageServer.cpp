#include "tests/window/PageServer.h"

#include <QTcpSocket>

namespace quindle::test {

PageServer::PageServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, &PageServer::Serve);
}

void PageServer::Add(const QString& Path, const QString& Html) {
    pages_[Path] = Html.toUtf8();
}

QString PageServer::Url(const QString& Path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(Path);
}

void PageServer::Serve() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray request = socket->peek(8192);
            if (!request.contains("\r\n\r\n"))
                return;
            socket->readAll();
            const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
            const QString path = words.size() > 1 ? QString::fromUtf8(words[1]) : QString();
            requests_[path] += 1;
            const bool found = pages_.contains(path);
            const QByteArray body = found ? pages_.value(path) : QByteArray("not found");
            // Paths ending in ".bin" are files to download.
            const QByteArray type = path.endsWith(".bin")
                                        ? QByteArray("application/octet-stream\r\n"
                                                     "Content-Disposition: attachment")
                                        : QByteArray("text/html; charset=utf-8");
            QByteArray reply = found ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n";
            reply += "Content-Type: " + type + "\r\nCache-Control: no-store\r\n";
            reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
            reply += "Connection: close\r\n\r\n" + body;
            socket->write(reply);
            socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

} // namespace quindle::test
