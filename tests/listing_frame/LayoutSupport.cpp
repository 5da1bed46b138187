#include "LayoutSupport.h"

#include "platform/IniFile.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <QFile>

void LayoutTest::SetUp() {
    setTextMeasurer(&measurer);
    QFile::remove(TIniFile().fileName());
    fontregistry::clear();
}

void LayoutTest::TearDown() {
    setTextMeasurer(nullptr);
    QFile::remove(TIniFile().fileName());
    fontregistry::clear();
}

void LayoutTest::setKey(const QString& section, const QString& key, const QString& value) {
    TIniFile().writeString(section, key, value);
}

std::unique_ptr<TSourceCodePrint> LayoutTest::makeFormatter() {
    auto f = std::make_unique<TSourceCodePrint>();
    f->LoadSettings();
    f->SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    f->SetDateText("1/2/2026");
    return f;
}

std::vector<TDrawnText> LayoutTest::drawnTexts(const TSourceCodePrint& f) {
    std::vector<TDrawnText> out;
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        for (const TCanvasCommand& c : f.Pages.Page(n)->Canvas->Commands()) {
            if (c.Kind == ckTextOut) {
                out.push_back({n, c.X1, c.Y1, QString(), c.Text});
            } else if (c.Kind == ckTextOutInFont) {
                const qsizetype sep = c.Text.indexOf(kFontTextSeparator);
                out.push_back({n, c.X1, c.Y1, c.Text.left(sep), c.Text.mid(sep + 3)});
            }
        }
    }
    return out;
}

std::vector<TDrawnText> LayoutTest::codeTexts(const TSourceCodePrint& f) {
    std::vector<TDrawnText> out;
    for (const TDrawnText& t : drawnTexts(f)) {
        if (!t.font.isEmpty()) out.push_back(t);
    }
    return out;
}

int LayoutTest::countKind(const TSourceCodePrint& f, int page, int kind) {
    int count = 0;
    for (const TCanvasCommand& c : f.Pages.Page(page)->Canvas->Commands())
        count += c.Kind == kind;
    return count;
}
