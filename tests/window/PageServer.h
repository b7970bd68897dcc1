#pragma once

// A small HTTP server for the browser tests: pages registered by path, served from 127.0.0.1 on a
// free port, one request per connection. It gives the pages a real origin (cookies, storage,
// popups) without the package's servers.

#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

namespace quindle::test {

class PageServer : public QObject {
public:
    PageServer();
    void Add(const QString& Path, const QString& Html);
    // "http://127.0.0.1:<port>" followed by Path.
    QString Url(const QString& Path = QString()) const;
    int Port() const { return server_.serverPort(); }
    int Requests(const QString& Path) const { return requests_.value(Path); }

private:
    void Serve();
    QTcpServer server_;
    QMap<QString, QByteArray> pages_;
    QMap<QString, int> requests_;
};

} // namespace quindle::test
