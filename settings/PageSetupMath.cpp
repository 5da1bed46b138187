#include "settings/PageSetupMath.h"

#include "platform/Rounding.h"
#include "render/PageStorage.h"
#include "render/VirtCanvas.h"

int convertMarginUnits(int value, int fromUnits, int toUnits) {
    if (fromUnits == toUnits) return value;
    return RoundEven(value * (toUnits == muMillimetres ? 2.538 : 0.394));
}

int marginToEditor(int tenthsOfInch, int units) {
    // The held value is always tenths of an inch, whatever the units: read
    // as millimetres it would shrink the margins on every visit.
    return convertMarginUnits(tenthsOfInch, muInches, units) * 100;
}

int marginFromEditor(int editorValue, int units) {
    const double value = editorValue * 0.01;
    return RoundEven(units == muMillimetres ? value * 0.394 : value);
}

int formatterMarginFromHeld(int tenthsOfInch) {
    return tenthsOfInch * 10;
}

int heldMarginFromFormatter(int hundredths) {
    return RoundEven(hundredths / 10.0);
}

QString appendTemplateVariable(const QString& text, const QString& panelCaption) {
    return text + panelCaption.left(2);
}

void drawPagePreview(TVirtCanvas& canvas, const RMargins& m, bool twoPages, int paper) {
    // The paper's size in page units (1/96 inch) in hundredths of an inch.
    const TPaperSize size = paperSize(paper == 1   ? TPaper::A4
                                      : paper == 2 ? TPaper::Legal
                                                   : TPaper::Letter);
    const int across = RoundEven(size.Width * 100 / 96.0);
    const int along = RoundEven(size.Height * 100 / 96.0);
    const int width = twoPages ? along : across;
    const int height = twoPages ? across : along;
    canvas.ClearCommands();
    canvas.InitPage(width, height);
    // Rectangles are filled with the brush: white keeps the page blank.
    canvas.SetBrushColor(clWhite);
    canvas.SetPenColor(clBlack);
    canvas.Rectangle(0, 0, width, height);
    const int left = m.Left * 10, top = m.Top * 10;
    const int right = width - m.Right * 10, bottom = height - m.Bottom * 10;
    canvas.SetPenColor(clGray);
    canvas.Rectangle(left, top, right, bottom);
    canvas.SetPenColor(clSilver);
    // Margins that leave no room for text show no text lines.
    if (right - 50 <= left + 50) return;
    for (int y = top + 50; y <= bottom - 50; y += 50) {
        canvas.MoveTo(left + 50, y);
        canvas.LineTo(right - 50, y);
    }
}
