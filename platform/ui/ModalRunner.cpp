#include "platform/ui/ModalRunner.h"

#include <QDialog>

namespace {
TModalRunner& runner() {
    static TModalRunner current;
    return current;
}
} // namespace

int execModal(QDialog& dialog) {
    // An owner disabled for a running command would otherwise disable the
    // dialog with it; a window may be enabled on its own.
    dialog.setEnabled(true);
    if (runner()) return runner()(dialog);
    return dialog.exec();
}

void setModalRunner(TModalRunner r) {
    runner() = std::move(r);
}
