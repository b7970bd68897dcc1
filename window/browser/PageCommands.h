#pragma once

// The page commands of the browser control, with the dialogs a user expects for them: Save As,
// Print, Print Preview, Page Setup, Find and Internet Options. Each dialog carries an object
// name, so it can be found and driven like any window of the program.

namespace quindle {

class TWebBrowser;

void SavePageAs(TWebBrowser& Browser);
void PrintPage(TWebBrowser& Browser);
void PrintPreview(TWebBrowser& Browser);
void PageSetup(TWebBrowser& Browser);
void FindOnPage(TWebBrowser& Browser);
void InternetOptions(TWebBrowser& Browser);

} // namespace quindle
