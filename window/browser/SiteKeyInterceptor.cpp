#include "window/browser/SiteKeyInterceptor.h"

#include <QUrl>
#include <QWebEngineProfile>

namespace quindle {

TSiteKeyInterceptor::TSiteKeyInterceptor(int WebPort, const QByteArray& Header,
                                         const QByteArray& Key, QObject* Parent)
    : QWebEngineUrlRequestInterceptor(Parent), port_(WebPort), header_(Header), key_(Key) {}

void TSiteKeyInterceptor::interceptRequest(QWebEngineUrlRequestInfo& Info) {
    const QUrl url = Info.requestUrl();
    const bool own =
        url.scheme() == QLatin1String("http") && url.port(80) == port_ &&
        (url.host() == QLatin1String("127.0.0.1") || url.host() == QLatin1String("localhost"));
    // The engine keeps a request's headers through its redirects, whatever is set here then:
    // the web server sends a redirect that leaves the site by a page of its own instead.
    if (own)
        Info.setHttpHeader(header_, key_);
}

void TSiteKeyInterceptor::Install(QWebEngineProfile* Profile, int WebPort, const QByteArray& Header,
                                  const QByteArray& Key) {
    Profile->setUrlRequestInterceptor(new TSiteKeyInterceptor(WebPort, Header, Key, Profile));
}

} // namespace quindle
