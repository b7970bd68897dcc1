#pragma once

#include <string>

class QWidget;

namespace quindle {

// An error dialog with one OK button. The text also goes to the standard error stream, where a
// terminal or a log collects it.
void ShowErrorBox(const std::string& Caption, const std::string& Text, QWidget* Parent = nullptr);

// The application's report of an error no step caught: the message, with a full stop, in a box
// captioned with the application title.
void ReportApplicationError(const std::string& AppTitle, const std::string& Message,
                            QWidget* Parent = nullptr);

} // namespace quindle
