#include "window/common/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace quindle {

std::optional<TFileDialogChoice> ChooseFile(const TFileDialogAsk& Ask, QWidget* Parent) {
    QFileDialog dialog(Parent, Ask.Caption, Ask.Save ? Ask.Initial : QString());
    dialog.setObjectName(Ask.ObjectName);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(Ask.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!Ask.Save) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (QFileInfo(Ask.Initial).isFile())
            dialog.selectFile(Ask.Initial);
    }
    if (!Ask.Filters.isEmpty())
        dialog.setNameFilters(Ask.Filters);
    if (!Ask.DefaultSuffix.isEmpty())
        dialog.setDefaultSuffix(Ask.DefaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return TFileDialogChoice{dialog.selectedFiles().first(), dialog.selectedNameFilter()};
}

bool BrowseForFile(QString& FileName, const QString& Ext, QWidget* Parent) {
    TFileDialogAsk ask;
    ask.ObjectName = QStringLiteral("dlgBrowseForFile");
    ask.Initial = FileName;
    if (!Ext.isEmpty()) {
        ask.DefaultSuffix = Ext.startsWith('.') ? Ext.mid(1) : Ext;
        ask.Filters = QStringList{QStringLiteral("*%1 (*%1)").arg(Ext)};
    }
    const std::optional<TFileDialogChoice> choice = ChooseFile(ask, Parent);
    if (!choice)
        return false;
    FileName = choice->File;
    return true;
}

} // namespace quindle
