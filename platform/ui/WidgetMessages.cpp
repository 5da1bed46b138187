#include "platform/ui/WidgetMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString captionOr(const QString& title) {
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

QMessageBox::Icon iconOf(TMessageKind kind) {
    switch (kind) {
    case TMessageKind::Warning:
        return QMessageBox::Warning;
    case TMessageKind::Error:
        return QMessageBox::Critical;
    case TMessageKind::Information:
        break;
    }
    return QMessageBox::Information;
}

} // namespace

void TWidgetMessages::show(TMessageKind kind, const QString& title, const QString& text) {
    QMessageBox box(iconOf(kind), captionOr(title), text, QMessageBox::Ok, owner_);
    // Messages arrive while the owner is disabled for a running command.
    box.setEnabled(true);
    box.exec();
}

bool TWidgetMessages::askYesNo(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, captionOr(title), text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setEnabled(true);
    return box.exec() == QMessageBox::Yes;
}
