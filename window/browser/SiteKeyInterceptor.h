#pragma once

// Sends the run's key with every request of the package's pages to the run's own address and
// port, and to nothing else: not to another server of the machine on another port (a header,
// not a cookie: the browser would hand a cookie for 127.0.0.1 to every port there). Where the
// site redirects elsewhere, the web server has the window leave by a page of its own, which
// starts a request without the key.

#include <QByteArray>
#include <QWebEngineUrlRequestInterceptor>

class QWebEngineProfile;

namespace quindle {

class TSiteKeyInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT

public:
    // Sends Key under the header Header.
    TSiteKeyInterceptor(int WebPort, const QByteArray& Header, const QByteArray& Key,
                        QObject* Parent);
    void interceptRequest(QWebEngineUrlRequestInfo& Info) override;

    // Gives the profile's requests the key. Before the first page is loaded: the first request
    // has it too.
    static void Install(QWebEngineProfile* Profile, int WebPort, const QByteArray& Header,
                        const QByteArray& Key);

private:
    int port_;
    QByteArray header_;
    QByteArray key_;
};

} // namespace quindle
