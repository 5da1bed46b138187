#include "ListingSupport.h"

#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <QFile>

void ListingTest::SetUp() {
    setTextMeasurer(&measurer);
    QFile::remove(TIniFile().fileName());
    fontregistry::clear();
}

void ListingTest::TearDown() {
    setTextMeasurer(nullptr);
    QFile::remove(TIniFile().fileName());
    fontregistry::clear();
}

void ListingTest::setKey(const QString& section, const QString& key, const QString& value) {
    TIniFile().writeString(section, key, value);
}

std::unique_ptr<TSourceCodePrint> ListingTest::makeFormatter() {
    auto f = std::make_unique<TSourceCodePrint>();
    f->LoadSettings();
    f->SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    f->SetDateText("1/2/2026");
    return f;
}

TSourceMgt& ListingTest::makeProject(const std::vector<std::pair<QString, QString>>& files) {
    analyzer = std::make_unique<TSourceMgt>();
    for (const auto& [name, text] : files) {
        const QString path = dir.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
        out.close();
        RFile* file = analyzer->AddFile();
        file->Path = path;
        file->FileName = name;
        file->DisplayName = name;
        file->Ext = "." + name.section('.', -1).toUpper();
    }
    analyzer->AnalyzeProject();
    testsupport::markAll(*analyzer);
    analyzer->UnloadFileTexts();
    return *analyzer;
}

std::vector<TDrawn> ListingTest::drawn(const TSourceCodePrint& f) {
    std::vector<TDrawn> out;
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        int penX = 0, penY = 0;
        TColor pen = clBlack;
        const TVirtCanvas& canvas = *f.Pages.Page(n)->Canvas;
        for (const TCanvasCommand& c : canvas.Commands()) {
            TDrawn d{n, c.Kind, c.X1, c.Y1, c.X2, c.Y2, QString(), QString(), pen};
            switch (c.Kind) {
            case ckSetPen:
                if (const TPen* p = canvas.CommandPen(c)) pen = p->color;
                continue;
            case ckPenColor:
                pen = c.Value;
                continue;
            case ckTextOut:
                d.text = c.Text;
                break;
            case ckTextOutInFont: {
                const qsizetype sep = c.Text.indexOf(kFontTextSeparator);
                d.font = c.Text.left(sep);
                d.text = c.Text.mid(sep + kFontTextSeparator.size());
                break;
            }
            case ckMoveTo:
                penX = c.X1, penY = c.Y1;
                continue;
            case ckLineTo:
                d.x1 = penX, d.y1 = penY, d.x2 = c.X1, d.y2 = c.Y1;
                penX = c.X1, penY = c.Y1;
                break;
            case ckRectangle:
            case ckEllipse:
            case ckFillRect:
                break;
            default:
                continue;
            }
            out.push_back(d);
        }
    }
    return out;
}

std::vector<TDrawn> ListingTest::texts(const TSourceCodePrint& f) {
    std::vector<TDrawn> out;
    for (const TDrawn& d : drawn(f))
        if (d.kind == ckTextOut || d.kind == ckTextOutInFont) out.push_back(d);
    return out;
}

std::vector<TDrawn> ListingTest::lines(const TSourceCodePrint& f, int page) {
    std::vector<TDrawn> out;
    for (const TDrawn& d : drawn(f))
        if (d.kind == ckLineTo && d.page == page) out.push_back(d);
    return out;
}

std::vector<TDrawn> ListingTest::codeTexts(const TSourceCodePrint& f) {
    std::vector<TDrawn> out;
    for (const TDrawn& d : drawn(f))
        if (d.kind == ckTextOutInFont) out.push_back(d);
    return out;
}

int ListingTest::countKind(const TSourceCodePrint& f, int page, int kind) {
    int count = 0;
    for (const TCanvasCommand& c : f.Pages.Page(page)->Canvas->Commands())
        count += c.Kind == kind;
    return count;
}

std::string ListingTest::overlappingTexts(const TSourceCodePrint& f) {
    // Text boxes from the fixed metrics: 13-pixel fonts, as all listing
    // fonts are by default; a box is inset by one unit so touching lines
    // do not count.
    struct Box {
        int page, x1, y1, x2, y2;
        QString text;
    };
    std::vector<Box> boxes;
    for (const TDrawn& t : texts(f)) {
        if (t.text.trimmed().isEmpty()) continue;
        const int w = int(t.text.size() * 7.8);
        boxes.push_back({t.page, t.x1 + 1, t.y1 + 1, t.x1 + w - 1, t.y1 + 15 - 1, t.text});
    }
    QStringList out;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const Box &a = boxes[i], &b = boxes[j];
            if (a.page == b.page && a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2 &&
                out.size() < 5)
                out << QStringLiteral("p%1: \"%2\" / \"%3\"").arg(a.page).arg(a.text, b.text);
        }
    return out.join('\n').toStdString();
}
