#include "window/browser/TInternetOptions.h"
#include "window/browser/TWebBrowser.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWebEngineCookieStore>
#include <QWebEngineHistory>
#include <QWebEngineProfile>

namespace quindle {

TInternetOptions::TInternetOptions(TWebBrowser& Browser) : QDialog(&Browser), browser_(Browser) {
    setObjectName(QStringLiteral("dlgInternetOptions"));
    setWindowTitle(tr("Internet Options"));
    auto* group = new QGroupBox(tr("Browsing history"), this);
    chkCache = new QCheckBox(tr("Temporary &files (cache)"), group);
    chkCookies = new QCheckBox(tr("&Cookies"), group);
    chkHistory = new QCheckBox(tr("&History of visited pages"), group);
    chkStorage = new QCheckBox(tr("Site &data (local storage, databases)"), group);
    for (QCheckBox* box : {chkCache, chkCookies, chkHistory, chkStorage})
        box->setChecked(true);
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(
        new QLabel(tr("Delete what this program keeps about the sites it shows:"), group));
    for (QCheckBox* box : {chkCache, chkCookies, chkHistory, chkStorage})
        inner->addWidget(box);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* remove = buttons->addButton(tr("&Delete"), QDialogButtonBox::ActionRole);
    remove->setObjectName(QStringLiteral("btnDelete"));
    connect(remove, &QPushButton::clicked, this, [this] {
        DeleteBrowsingData();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void TInternetOptions::DeleteBrowsingData() {
    QWebEngineProfile* profile = browser_.page()->profile();
    if (chkCache->isChecked())
        profile->clearHttpCache();
    if (chkCookies->isChecked())
        profile->cookieStore()->deleteAllCookies();
    if (chkHistory->isChecked()) {
        profile->clearAllVisitedLinks();
        browser_.history()->clear();
    }
    if (chkStorage->isChecked()) {
        // The engine offers no call for stored data: the page of the site removes it itself.
        browser_.page()->runJavaScript(
            QStringLiteral("try { localStorage.clear(); } catch (e) { /* none there */ }"
                           "try { sessionStorage.clear(); } catch (e) { /* none there */ }"
                           "try { indexedDB.databases().then(function (list) {"
                           "  list.forEach(function (db) { indexedDB.deleteDatabase(db.name); }); "
                           "}); } catch (e) { /* none there */ }"));
    }
}

} // namespace quindle
