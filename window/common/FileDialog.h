#pragma once

// The one file dialog of the program: the toolkit's own (the same on every desktop, and found by
// its object name like any window of the program), to open an existing file or to save one.

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace quindle {

struct TFileDialogAsk {
    QString ObjectName;
    QString Caption;       // empty: the toolkit's own
    QString Initial;       // the file chosen at first: selected when it exists, or to save
    QStringList Filters;   // name filters, the first chosen at first; empty: every file
    QString DefaultSuffix; // added to a name typed without one
    bool Save = false;     // a file to write (which may exist) rather than one to read
};

struct TFileDialogChoice {
    QString File;
    QString Filter; // the name filter chosen with it
};

// The file the user chose, or nothing when the dialog was cancelled.
std::optional<TFileDialogChoice> ChooseFile(const TFileDialogAsk& Ask, QWidget* Parent);

// A file ending in Ext (for example ".ico") to open; FileName is the initial choice when that
// file exists. True, with FileName set, when the user chose a file.
bool BrowseForFile(QString& FileName, const QString& Ext, QWidget* Parent = nullptr);

} // namespace quindle
