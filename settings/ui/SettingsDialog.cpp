#include "settings/ui/SettingsDialog.h"

#include "app/CommandHooks.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"

#include <QDialogButtonBox>
#include <QLayout>
#include <QPushButton>
#include <QShortcut>

namespace {

// The box's buttons from left to right as laid out.
QList<QWidget*> shownButtonOrder(const QDialogButtonBox& box) {
    QList<QWidget*> row;
    if (QLayout* layout = box.layout())
        for (int i = 0; i < layout->count(); ++i)
            if (auto* b = qobject_cast<QAbstractButton*>(layout->itemAt(i)->widget())) row << b;
    // Buttons the layout does not hold (none today) still get their stop.
    for (QAbstractButton* b : box.buttons())
        if (!row.contains(b)) row << b;
    return row;
}

} // namespace

TSettingsDialog::TSettingsDialog(const QString& caption, int helpContext, QWidget* owner)
    : QDialog(owner), buttons_(new QDialogButtonBox(this)), helpContext_(helpContext) {
    setWindowTitle(caption);
    btnOK = buttons_->addButton(QDialogButtonBox::Ok);
    btnCancel = buttons_->addButton(QDialogButtonBox::Cancel);
    btnHelp = buttons_->addButton(QDialogButtonBox::Help);
    btnDefaults = buttons_->addButton(QDialogButtonBox::RestoreDefaults);
    connect(btnDefaults, &QPushButton::clicked, this, &TSettingsDialog::restoreDefaults);
    connect(btnOK, &QPushButton::clicked, this, [this] { clickOK(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        OK = false;
        reject();
    });
    // F1 opens the dialog's topic, as the Help button does.
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, btnHelp,
            &QPushButton::click);
    connect(btnHelp, &QPushButton::clicked, this, [this] {
        if (commandHooks().ShowHelp)
            commandHooks().ShowHelp(helpContext_);
        else
            helpViewer().showContext(kHelpFile, helpContext_);
    });
}

void TSettingsDialog::showEvent(QShowEvent* event) {
    if (!focusOrdered_) {
        focusOrdered_ = true;
        // The buttons were made before the dialog's own controls: Tab
        // reaches them last, and the first control has the focus. The box
        // would hand Tab to its first button only (its focus proxy) and go
        // on after that button, skipping the others: each button is a Tab
        // stop of its own, in the order the box shows them.
        QWidget* last = nullptr;
        for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
            if (!buttons_->isAncestorOf(w) && w->focusPolicy() & Qt::TabFocus) last = w;
        if (last) {
            buttons_->setFocusProxy(nullptr);
            for (QWidget* b : shownButtonOrder(*buttons_)) {
                setTabOrder(last, b);
                last = b;
            }
            for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
                if (!buttons_->isAncestorOf(w) && w->focusPolicy() & Qt::TabFocus) {
                    w->setFocus(Qt::TabFocusReason);
                    break;
                }
        }
        btnDefaults->setAutoDefault(false);
        btnOK->setDefault(true);
    }
    QDialog::showEvent(event);
}

bool TSettingsDialog::clickOK() {
    try {
        saveSettings();
    } catch (const std::exception& e) {
        // The dialog stays open with the user's choices, and nothing half
        // written: every dialog writes its keys in one replace of the file.
        showError(QString::fromUtf8(e.what()));
        return false;
    }
    OK = true;
    accept();
    return true;
}

void TSettingsDialog::takeListingDefaults() {
    ShowListingDefaults(this);
    defaults_ = ControlValues(this);
}

void TSettingsDialog::restoreDefaults() {
    RestoreControlValues(defaults_);
    restoreOwnDefaults();
}
