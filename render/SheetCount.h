#pragma once
// What a listing's counts count. A store page is one sheet of paper; with
// two pages a sheet, a listing sheet carries two numbered pages, so the
// number of sheets is not the number of pages the reader sees printed.
#include <QString>

class TPageStorage;

struct TSheetCount {
    int Sheets = 0;
    int Pages = 0;
};

// Sheets with a "5-6" label carry two pages, other labelled sheets (title,
// contents, index, a one-page sheet) one; unlabelled sheets two when
// twoPage, else one.
TSheetCount countSheets(const TPageStorage& store, bool twoPage);

// "1 Page", "12 Pages"; "3 Sheets, 6 Pages" when the two differ.
QString sheetCountText(const TSheetCount& count);

// What store page n shows, for the preview's counter: "Page 3" where the
// sheet is simply page 3, else the sheet and what it carries ("Sheet 3:
// pages 5-6", "Sheet 4: page 2", "Sheet 1: Title").
QString sheetCaption(const TPageStorage& store, int n);
