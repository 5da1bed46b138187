#pragma once
// What the three settings dialogs share: the caption, the OK flag that the
// main window reads, and the OK / Cancel / Help buttons.
#include <QDialog>

class QDialogButtonBox;
class QPushButton;

class TSettingsDialog : public QDialog {
    Q_OBJECT
public:
    TSettingsDialog(const QString& caption, int helpContext, QWidget* owner);

    // Set by OK, cleared by Cancel.
    bool OK = false;

    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;

    // Runs OK's work as the OK button does; false when saving failed.
    bool clickOK();

protected:
    // Writes the dialog's settings; throws on a failed write.
    virtual void saveSettings() = 0;
    QDialogButtonBox* buttonBox() const { return buttons_; }

private:
    QDialogButtonBox* buttons_;
    int helpContext_;
};

inline const QString kHelpFile = QStringLiteral("Listora.hlp");
