#include "platform/ui/WidgetDialogs.h"

#include "platform/Messages.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMimeData>

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    for (const TFilterEntry& entry : parseDialogFilter(filter)) {
        QString patterns = entry.Patterns;
        patterns.replace(';', ' ');
        result.append(QStringLiteral("%1 (%2)").arg(entry.Description, patterns));
    }
    return result;
}

std::optional<TFileDialogResult> TWidgetFileDialogs::openFile(const TFileDialogRequest& request) {
    return run(request, false);
}

std::optional<TFileDialogResult> TWidgetFileDialogs::saveFile(const TFileDialogRequest& request) {
    return run(request, true);
}

std::optional<TFileDialogResult> TWidgetFileDialogs::run(const TFileDialogRequest& request,
                                                         bool save) {
    QFileDialog dialog(owner_, request.Title, request.InitialDir);
    dialog.setEnabled(true);
    const QStringList filters = qtNameFilters(request.Filter);
    dialog.setNameFilters(filters);
    // Source files written on Windows come in any letter case: the filter
    // stays case-insensitive (no QDir::CaseSensitive).
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(request.DefaultExt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return TFileDialogResult{dialog.selectedFiles().constFirst(),
                             int(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

std::optional<QString> TWidgetClipboard::text() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) return std::nullopt;
    return data->text();
}

void TWidgetHelpViewer::showContext(const QString& helpFile, int context) {
    messages().show(
        TMessageKind::Information, QString(),
        QStringLiteral("Help (%1, topic %2) is not available yet.").arg(helpFile).arg(context));
}
