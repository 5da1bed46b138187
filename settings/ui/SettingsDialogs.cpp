#include "settings/ui/SettingsDialogs.h"

#include "app/CommandHooks.h"
#include "platform/ui/ModalRunner.h"
#include "settings/ui/FontSetupDialog.h"
#include "settings/ui/PageSetupDialog.h"
#include "settings/ui/PrintOptionsDialog.h"

namespace {

template <class TDialog, class... TArgs> bool runDialog(TArgs&&... args) {
    TDialog dialog(std::forward<TArgs>(args)...);
    execModal(dialog);
    return dialog.OK;
}

} // namespace

void installSettingsDialogs() {
    TCommandHooks& hooks = commandHooks();
    hooks.FormattingDialog = [](QWidget* owner, const QString& sourceFolder) {
        return runDialog<TdlgPrintOptions>(sourceFolder, owner);
    };
    hooks.FontsDialog = [](QWidget* owner, const QString&) {
        return runDialog<TdlgFontSetup>(owner);
    };
    hooks.PageSetupDialog = [](QWidget* owner, const QString&) {
        return runDialog<TDlgPageSetup>(owner);
    };
}
