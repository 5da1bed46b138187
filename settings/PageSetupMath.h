#pragma once
// The arithmetic of the page setup dialog: margin units, the variables
// dropped into header and footer templates, and the miniature page.
#include <QString>

class TVirtCanvas;

// Units choice of the page setup dialog ("MARGINS"/"Units").
enum TMarginUnits { muInches = 0, muMillimetres = 1 };

// The four margins the dialog holds, in tenths of an inch.
struct RMargins {
    int Left = 5, Top = 5, Right = 5, Bottom = 5;
    bool operator==(const RMargins&) const = default;
};

// Converts a margin between the units of the units choice: inches to
// millimetres multiplies by 2.538, millimetres to inches by 0.394, each
// rounded; 0 stays 0 and equal units leave the value alone.
int convertMarginUnits(int value, int fromUnits, int toUnits);

// A held margin (tenths of an inch) as the margins editor takes it:
// thousandths of an inch, or hundredths of a millimetre.
int marginToEditor(int tenthsOfInch, int units);
// The editor's value back into tenths of an inch.
int marginFromEditor(int editorValue, int units);

// The formatter's margins ("margins"/"left"... in hundredths of an inch)
// and the dialog's held tenths of an inch.
int formatterMarginFromHeld(int tenthsOfInch);
int heldMarginFromFormatter(int hundredths);

// A dropped variable panel adds the variable (the first two characters of
// its caption, such as "%d") to the end of the template.
QString appendTemplateVariable(const QString& text, const QString& panelCaption);

// Records the miniature page in hundredths of an inch: the page outline
// (of the paper with that stored index: letter, A4, legal), the margin
// rectangle and sample text lines.
void drawPagePreview(TVirtCanvas& canvas, const RMargins& margins, bool twoPages, int paper = 0);
