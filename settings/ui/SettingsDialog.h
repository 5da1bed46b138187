#pragma once
// What the three settings dialogs share: the caption, the OK flag that the
// main window reads, and the OK / Cancel / Help buttons.
#include "settings/ui/SettingsControls.h"

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
    // "Restore Defaults": every control back to what the listing uses when
    // the settings file holds nothing; written only by OK.
    QPushButton* btnDefaults = nullptr;

    // Runs OK's work as the OK button does; false when saving failed.
    bool clickOK();
    void restoreDefaults();

protected:
    // Writes the dialog's settings; throws on a failed write.
    virtual void saveSettings() = 0;
    // Values kept outside the settings-bound controls, back to their
    // defaults (and anything drawn from the controls redrawn).
    virtual void restoreOwnDefaults() {}
    // Gives the settings-bound controls the formatter's defaults and keeps
    // them for Restore Defaults; called once the controls exist, before the
    // settings file is read.
    void takeListingDefaults();
    QDialogButtonBox* buttonBox() const { return buttons_; }
    void showEvent(QShowEvent* event) override;

private:
    bool focusOrdered_ = false;
    QDialogButtonBox* buttons_;
    int helpContext_;
    TControlValues defaults_;
};

inline const QString kHelpFile = QStringLiteral("Listora.hlp");
