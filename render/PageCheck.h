#pragma once
// A geometry check over one recorded page: reads the drawing commands the
// way playback would and reports what would come out wrong on paper. It
// knows nothing of how the page was made beyond the layout facts it is
// given, so it serves tests, the batch command's --check and fuzzing alike.
//
// Rules (the Rule text of a finding):
//   "off-sheet"      a text, stroke, shape or picture reaches outside the
//                    sheet (0..Width, 0..Height).
//   "stroke-through-text"
//                    a stroked line crosses the inked box of a text (the
//                    text less its leading and trailing blanks, one unit
//                    in from every edge), unless that text is drawn after
//                    the line with an opaque background on a solid brush,
//                    which knocks the line out behind it.
//   "text-overlap"   two code texts (drawn in a registered font) overlap by
//                    more than one unit both ways: across as playback draws
//                    them (a point smaller, see DrawnFont), as the runs of
//                    a line with bold keywords are placed side by side.
//   "text-outside-column"
//                    a code text does not lie within a column: from its
//                    x to x + ColumnWidth, starting between TextTop and
//                    TextBottom. Texts in the GutterFont may instead lie
//                    in the gutter: GutterWidth left of the column's text
//                    start, ending before it, starting less than a
//                    CodeLineHeight below TextBottom (on its line's
//                    baseline).
//   "bracket-outside-area"
//                    a stroke of the bracket drawing (commands from
//                    FirstBracketCommand on) leaves a column's bracket
//                    area: a vertical line must lie left of the column's
//                    text start (less the gutter) and no further left than
//                    BracketAreaWidth; a tick may reach from there up to
//                    BracketAreaWidth and 11 units on, into its line's
//                    leading blanks (the text rule keeps it off the ink of
//                    code and line numbers).
//   "state-not-set"  something is drawn before the page itself set the
//                    state it depends on (a pen for strokes and outlines,
//                    a brush for fills and opaque text, the background mode
//                    for text, a font for plain text): playback carries
//                    state over from the page played before.
#include <QString>

#include <vector>

class TVirtCanvas;

// What the check needs to know of a page's layout, in page units.
struct TPageLayout {
    int Width = 0;
    int Height = 0;
    // Text start of each column (one or two); empty on pages without
    // listing columns (title, contents, index): the column and bracket
    // rules are then skipped.
    std::vector<int> ColumnX;
    int ColumnWidth = 0;
    int BracketAreaWidth = 0;
    // The line-number gutter between the bracket area and each column's
    // text start; 0 without line numbers. Only texts drawn in GutterFont
    // (a named font) belong there.
    int GutterWidth = 0;
    QString GutterFont;
    int TextTop = 0;
    // The lowest y at which a line may start.
    int TextBottom = 0;
    int CodeLineHeight = 0;
    // Index of the first command the bracket drawing added; -1: none.
    int FirstBracketCommand = -1;
};

struct TPageFinding {
    int Page = 0;
    int X = 0;
    int Y = 0;
    QString Rule;
    QString Detail;
};

// How much a check looked at, added up over the pages it is given.
struct TPageCheckCounts {
    long long Texts = 0;
    long long Strokes = 0;
};

// Checks one page; page is only copied into the findings. Text is measured
// with the process-wide text measurer and the named-font registry, as the
// layout measured it. counts may be null.
std::vector<TPageFinding> CheckPage(const TVirtCanvas& canvas, const TPageLayout& layout, int page,
                                    TPageCheckCounts* counts = nullptr);

// "page 3 (120, 455): stroke-through-text: ..." for reports.
QString FormatFinding(const TPageFinding& finding);
