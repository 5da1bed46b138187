#include "render/SheetCount.h"

#include "render/PageStorage.h"

#include <QRegularExpression>

namespace {

bool twoPageLabel(const QString& label) {
    static const QRegularExpression pair(QStringLiteral("^\\d+-\\d+$"));
    return pair.match(label).hasMatch();
}

QString counted(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

TSheetCount countSheets(const TPageStorage& store, bool twoPage) {
    TSheetCount count;
    count.Sheets = store.PageCount();
    for (int n = 1; n <= count.Sheets; ++n) {
        const QString& label = store.Page(n)->Navigation.Label;
        count.Pages += (label.isEmpty() ? twoPage : twoPageLabel(label)) ? 2 : 1;
    }
    return count;
}

QString sheetCountText(const TSheetCount& count) {
    const QString pages = counted(count.Pages, "Page", "Pages");
    if (count.Sheets == count.Pages) return pages;
    return counted(count.Sheets, "Sheet", "Sheets") + QStringLiteral(", ") + pages;
}

QString sheetCaption(const TPageStorage& store, int n) {
    const TPageRec* page = store.Page(n);
    const QString label = page ? page->Navigation.Label : QString();
    if (label.isEmpty() || label == QString::number(n)) return QStringLiteral("Page %1").arg(n);
    if (twoPageLabel(label)) return QStringLiteral("Sheet %1: pages %2").arg(n).arg(label);
    if (label.front().isDigit()) return QStringLiteral("Sheet %1: page %2").arg(n).arg(label);
    return QStringLiteral("Sheet %1: %2").arg(n).arg(label);
}
