// Procedure headings and the separators between procedures and files.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "render/VirtCanvas.h"
#include "source/SourceRecords.h"

void TSourceCodePrint::KeepOffBottomQuarter(int height) {
    // A separator that would push the next line below the text area (a
    // short area, under large margins) starts the next column instead.
    if (CurrentY > 0.75 * Canvas().PageHeight() || CurrentY + height > TextBottom) NextColumn();
}

void TSourceCodePrint::ProcHeading(const QString& line) {
    if (!IsProcDeclaration(line)) return;
    CurrentProcName = ExtractProcName(line);
    switch (Settings.FunctionSep) {
    case 0: // new page (next side)
        if (CurrentY != TextTop) NextColumn();
        break;
    case 1: // new page (whole page): a two-page sheet's right half stays empty
        if (Settings.TwoPage && CurrentX == LeftColumnX) {
            enterRightHalf();
            NewPage();
            CurrentX = LeftColumnX;
        } else {
            NewPage();
        }
        CurrentY = TextTop;
        break;
    case 2: { // divider line
        KeepOffBottomQuarter(qAbs(Settings.FunctionFont.height()) + 5);
        settleFrameTexts();
        TVirtCanvas& canvas = Canvas();
        canvas.SetFont(Settings.FunctionFont);
        const int xEnd =
            Settings.TwoPage ? CurrentX + ColumnWidth - 25 : canvas.PageWidth() - MarginR - 30;
        canvas.MoveTo(CurrentX, CurrentY);
        canvas.LineTo(xEnd, CurrentY);
        CurrentY += qAbs(canvas.FontHeight()) + 5;
        break;
    }
    default: // none
        KeepOffBottomQuarter();
        break;
    }
}

void TSourceCodePrint::NameCurrentFile(const RFile& file) {
    CurrentFileName = file.FileName;
    if (!file.Functions || !file.Functions->Next) {
        CurrentProcName = QStringLiteral(" ");
        return;
    }
    CurrentProcName.clear();
    for (const RFunction* f = file.Functions; f->Next; f = f->Next) {
        if (f->Marked) {
            CurrentProcName = f->Name;
            break;
        }
    }
}

void TSourceCodePrint::FileSeparator(const RFile& file) {
    // Named first: a page the separator begins is the new file's.
    NameCurrentFile(file);
    // Four rules and the name (double line and name). The name's line is
    // taller than the code font's size at the largest sizes, where its
    // descenders would reach the rules below.
    const int nameAdvance =
        Settings.FileSep == 1
            ? qMax(CodeLineHeight + 5, qAbs(Canvas().TextHeight(file.FileName)) + 1)
            : 0;
    KeepOffBottomQuarter(Settings.FileSep == 1 ? 4 * 5 + nameAdvance : 0);
    switch (Settings.FileSep) {
    case 0: // new page
        if (CurrentY != TextTop) NextColumn();
        break;
    case 1: { // double line and name
        settleFrameTexts();
        TVirtCanvas& canvas = Canvas();
        const int xEnd =
            Settings.TwoPage ? CurrentX + ColumnWidth - 10 : canvas.PageWidth() - MarginR - 10;
        auto rule = [&] {
            canvas.MoveTo(CurrentX, CurrentY);
            canvas.LineTo(xEnd, CurrentY);
            CurrentY += 5;
        };
        rule();
        rule();
        // A name wider than the column (a large code font) is drawn
        // smaller, this once, rather than across the column's edge.
        const TFont font = canvas.CurrentFont();
        const int fitted =
            canvas.ShrinkFontWhile([&] { return canvas.TextWidth(file.FileName) > ColumnWidth; })
                .size();
        canvas.TextOut(CurrentX, CurrentY, file.FileName);
        if (fitted != font.size()) canvas.SetFont(font);
        CurrentY += nameAdvance;
        rule();
        rule();
        break;
    }
    default:
        break;
    }
}
