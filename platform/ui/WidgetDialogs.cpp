#include "platform/ui/WidgetDialogs.h"

#include "platform/Messages.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>

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

std::optional<TColor> TWidgetChoosers::chooseColor(TColor current) {
    const QColor chosen = QColorDialog::getColor(toQColor(current), QApplication::activeWindow());
    if (!chosen.isValid()) return std::nullopt;
    return fromQColor(chosen);
}

std::optional<TFont> TWidgetChoosers::chooseFont(const TFont& current) {
    // The chooser lists the families installed; a stored face such as
    // "arial" is shown as the family that stands in for it.
    QFont preset(QFontInfo(QFont(current.name())).family());
    preset.setPointSize(qMax(1, current.size()));
    preset.setBold(current.bold());
    preset.setItalic(current.italic());
    preset.setUnderline(current.underline());
    preset.setStrikeOut(current.strikeOut());

    // Qt's font chooser has no colour: it is embedded with a colour button
    // so that one dialog chooses the whole font, as the listing stores it.
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Font"));
    auto* chooser = new QFontDialog(preset, &dialog);
    chooser->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    chooser->setWindowFlags(Qt::Widget);
    TColor color = current.color();
    auto* colorButton = new QPushButton(QStringLiteral("Color..."), &dialog);
    auto* swatch = new QLabel(&dialog);
    swatch->setFixedSize(40, 20);
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    auto showColor = [&] {
        QPalette p = swatch->palette();
        p.setColor(QPalette::Window, toQColor(color));
        swatch->setPalette(p);
    };
    showColor();
    QObject::connect(colorButton, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen = QColorDialog::getColor(toQColor(color), &dialog);
        if (chosen.isValid()) {
            color = fromQColor(chosen);
            showColor();
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorButton);
    colorRow->addWidget(swatch);
    colorRow->addStretch();
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(chooser);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    if (execModal(dialog) != QDialog::Accepted) return std::nullopt;

    const QFont chosen = chooser->currentFont();
    TFontStyles style = 0;
    if (chosen.bold()) style |= fsBold;
    if (chosen.italic()) style |= fsItalic;
    if (chosen.underline()) style |= fsUnderline;
    if (chosen.strikeOut()) style |= fsStrikeOut;
    return TFont(chosen.family(), chosen.pointSize() > 0 ? chosen.pointSize() : current.size(),
                 style, color);
}
