// Keyword emphasis: the Visual Basic keywords of code (not of comments or
// strings) in the bold face of the code font. Code text is measured as the
// mix of faces it is drawn in, so wrapping keeps every piece in its column.
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "render/VirtCanvas.h"

#include <QSet>

namespace {

const QString kCodeFont = QStringLiteral("CODE");
const QString kBoldFont = QStringLiteral("CODEBOLD");

bool isKeyword(QStringView word) {
    // As the editor writes them: keywords are matched with their capitals.
    static const QSet<QString> keywords = {
        "AddressOf", "And",      "As",         "Boolean",    "ByRef",      "Byte",     "ByVal",
        "Call",      "Case",     "Const",      "Currency",   "Date",       "Declare",  "Dim",
        "Do",        "Double",   "Each",       "Else",       "ElseIf",     "End",      "Enum",
        "Erase",     "Error",    "Event",      "Exit",       "Explicit",   "False",    "For",
        "Friend",    "Function", "Get",        "GoSub",      "GoTo",       "If",       "Implements",
        "In",        "Integer",  "Is",         "Let",        "Like",       "Long",     "Loop",
        "Me",        "Mod",      "New",        "Next",       "Not",        "Nothing",  "Object",
        "On",        "Option",   "Optional",   "Or",         "ParamArray", "Preserve", "Private",
        "Property",  "Public",   "RaiseEvent", "ReDim",      "Resume",     "Return",   "Select",
        "Set",       "Single",   "Static",     "Step",       "Stop",       "String",   "Sub",
        "Then",      "To",       "True",       "Type",       "TypeOf",     "Until",    "Variant",
        "Wend",      "While",    "With",       "WithEvents", "Xor"};
    return keywords.contains(word.toString());
}

} // namespace

std::vector<TSourceCodePrint::TCodeRun> TSourceCodePrint::codeRuns(QStringView text) const {
    std::vector<TCodeRun> runs;
    auto add = [&](int start, int end, bool bold) {
        if (end <= start) return;
        if (!runs.empty() && runs.back().bold == bold)
            runs.back().length = end - runs.back().start;
        else
            runs.push_back({start, end - start, bold});
    };
    const int n = int(text.size());
    bool inString = false;
    int i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) inString = !inString;
        if (inString || !(c.isLetter() || c == QLatin1Char('_')) ||
            (i > 0 && IsWordChar(text[i - 1]))) {
            add(i, i + 1, false);
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < n && IsWordChar(text[end]))
            ++end;
        // A member after a dot ("rs.Open") is no keyword.
        const bool member = i > 0 && text[i - 1] == QLatin1Char('.');
        add(i, end, !member && isKeyword(text.mid(i, end - i)));
        i = end;
    }
    return runs;
}

bool TSourceCodePrint::emphasised(const QString& fontKey) const {
    return Settings.KeywordEmphasis && fontKey == kCodeFont;
}

int TSourceCodePrint::codeTextWidth(QStringView text, const QString& fontKey) {
    TVirtCanvas& canvas = Canvas();
    if (!emphasised(fontKey)) return canvas.TextWidthInFont(text, fontKey);
    int width = 0;
    for (const TCodeRun& r : codeRuns(text))
        width +=
            canvas.TextWidthInFont(text.mid(r.start, r.length), r.bold ? kBoldFont : kCodeFont);
    return width;
}

void TSourceCodePrint::codePrefixWidths(QStringView text, const QString& fontKey,
                                        std::vector<int>& widths) {
    TVirtCanvas& canvas = Canvas();
    if (!emphasised(fontKey)) {
        canvas.PrefixWidthsInFont(text, fontKey, widths);
        return;
    }
    // Each run measured on its own, as it is drawn: the prefix ending at a
    // run's end is where the next run starts.
    widths.assign(std::size_t(text.size()) + 1, 0);
    std::vector<int> own;
    int x = 0;
    for (const TCodeRun& r : codeRuns(text)) {
        canvas.PrefixWidthsInFont(text.mid(r.start, r.length), r.bold ? kBoldFont : kCodeFont, own);
        for (int k = 1; k <= r.length; ++k)
            widths[std::size_t(r.start + k)] = x + own[std::size_t(k)];
        x += own[std::size_t(r.length)];
    }
}

void TSourceCodePrint::drawCodeText(int x, int y, const QString& fontKey, QStringView text) {
    TVirtCanvas& canvas = Canvas();
    if (!emphasised(fontKey)) {
        canvas.TextOutInFont(x, y, fontKey, text);
        return;
    }
    for (const TCodeRun& r : codeRuns(text)) {
        const QStringView piece = text.mid(r.start, r.length);
        const QString& font = r.bold ? kBoldFont : kCodeFont;
        canvas.TextOutInFont(x, y, font, piece);
        x += canvas.TextWidthInFont(piece, font);
    }
}
