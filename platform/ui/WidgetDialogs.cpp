#include "platform/ui/WidgetDialogs.h"

#include "platform/Messages.h"
#include "platform/ui/ModalRunner.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeView>

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    for (const TFilterEntry& entry : parseDialogFilter(filter)) {
        QString patterns = entry.Patterns;
        patterns.replace(';', ' ');
        result.append(QStringLiteral("%1 (%2)").arg(entry.Description, patterns));
    }
    return result;
}

void fitFileDialogColumns(QFileDialog& dialog) {
    // Qt's own dialog (no desktop portal here) opens too narrow for its
    // detail columns: the modification date is cut short. The date column
    // gets the width of a long date, and the dialog the width of all
    // columns beside the places list, within the screen.
    auto* view = dialog.findChild<QTreeView*>();
    if (!view) return;
    QHeaderView* header = view->header();
    const QFontMetrics metrics = view->fontMetrics();
    const int pad = metrics.averageCharWidth() * 3;
    const QString longDate = QLocale::system().toString(
        QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
    // All columns, each at least as wide as a long file name, a size, a
    // type and the date.
    const QString samples[] = {QStringLiteral("A_Long_Project_Name.vbp"),
                               QStringLiteral("999.9 KiB"), QStringLiteral("plain text document"),
                               longDate};
    // Size, type and date keep their width; where the screen is too narrow
    // for all columns (a scaled one) the name gives up room and is elided.
    for (int i = 1; i < qMin(4, header->count()); ++i) {
        header->setSectionResizeMode(i, QHeaderView::Interactive);
        header->resizeSection(
            i, qMax(header->sectionSize(i), metrics.horizontalAdvance(samples[i]) + pad));
    }
    if (header->count() > 0) {
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    int columns = view->verticalScrollBar()->sizeHint().width();
    for (int i = 0; i < header->count(); ++i)
        columns +=
            qMax(header->sectionSize(i), i < 4 ? metrics.horizontalAdvance(samples[i]) + pad : 0);
    // The places list as wide as its longest entry.
    auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    const int placesWidth = places ? places->sizeHintForColumn(0) + pad +
                                         places->verticalScrollBar()->sizeHint().width()
                                   : 0;
    QSize size(qMax(dialog.sizeHint().width(), placesWidth + columns + 4 * pad),
               dialog.sizeHint().height());
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
        splitter && places && splitter->count() == 2)
        splitter->setSizes({placesWidth, size.width() - placesWidth});
    dialog.resize(size);
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
    fitFileDialogColumns(dialog);
    if (execModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
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
