#pragma once

// Internet Options for this browser engine: what a user means by it is clearing what the browser
// keeps about the site: cached files, cookies, the history of visited links and the data the site
// stored (local storage, session storage, databases).

#include <QDialog>

class QCheckBox;

namespace quindle {

class TWebBrowser;

class TInternetOptions : public QDialog {
    Q_OBJECT

public:
    explicit TInternetOptions(TWebBrowser& Browser);

    // Deletes what is ticked.
    void DeleteBrowsingData();

private:
    TWebBrowser& browser_;
    QCheckBox* chkCache;
    QCheckBox* chkCookies;
    QCheckBox* chkHistory;
    QCheckBox* chkStorage;
};

} // namespace quindle
