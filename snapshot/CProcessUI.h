#pragma once

#include "dialogs/CFramelessDialog.h"

#include <QString>

class QComboBox;
class QLineEdit;

// Opens the folder in the desktop's file browser, creating it (with its parents) first.
// Nothing is reported when either fails.
void OpenFolderInFileBrowser(const QString &folder);

// The preferences dialog: the snapshot folder (stored in OutputPath.txt by OK) and the
// snapshot picture format (handed back to the caller, kept for the run only).
// Use: construct, set FormatIndex, BuildDialog, exec; Cancelled is 0 only after OK.
class CProcessUI : public CFramelessDialog {
    Q_OBJECT
public:
    CProcessUI();

    void BuildDialog();

    int Cancelled = 1;
    QString FolderPath;
    QComboBox *FormatBox = nullptr;
    int FormatIndex = 0;
    QLineEdit *FolderEdit = nullptr;

public slots:
    void btnCloseSlot();
    void btnOpenFolder();
    void btnOK();
    void btnChoosePath();
    void btnMinSlot();

private:
    QString AppDataFolder;
};
