// listora-sample OUTPUT.pdf
//
// Records one sample page (text in several fonts, a named-font text, lines,
// shapes, a fill, indicator pictures and a watermark) on an upright page
// and on a page on its side, and writes both to a PDF through the playback
// that printing uses. Runs without a display.
#include "platform/DrawSurface.h"
#include "platform/Font.h"
#include "platform/Progress.h"
#include "render/IndicatorPictures.h"
#include "render/PageStorage.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>

namespace {

void recordSample(TVirtCanvas& canvas, const QString& title) {
    const int w = canvas.PageWidth();
    const int h = canvas.PageHeight();
    canvas.SetTransparent();

    TFont heading(QStringLiteral("Arial"), 18, fsBold, rgbColor(0, 0, 128));
    canvas.SetFont(heading);
    canvas.TextOut(48, 40, title);

    TFont body(QStringLiteral("Times New Roman"), 12, fsItalic);
    canvas.SetFont(body);
    canvas.TextOut(48, 80, QStringLiteral("Times New Roman, 12 points, italic"));

    TFont plain(QStringLiteral("Arial"), 10);
    canvas.SetFont(plain);
    canvas.TextOut(48, 104,
                   QStringLiteral("Arial, 10 points: the quick brown fox jumps over the lazy dog"));
    canvas.TextOutInFont(
        48, 128, QStringLiteral("CODE"),
        QStringLiteral("Private Sub cmdOpen_Click()  ' in the registered CODE font"));

    // Frame of the text area and a rule under the heading.
    TPen rule{rgbColor(0, 0, 0), TPenStyle::Solid, 2};
    canvas.SetPen(rule);
    canvas.MoveTo(48, 72);
    canvas.LineTo(w - 48, 72);
    TBrush hollow{clWhite, TBrushStyle::Clear};
    canvas.SetBrush(hollow);
    canvas.Rectangle(24, 24, w - 24, h - 24);

    // A shaded band, a filled rectangle and an ellipse.
    TBrush shade{rgbColor(220, 220, 220), TBrushStyle::Solid};
    canvas.SetBrush(shade);
    canvas.FillRect(48, 160, w - 48, 184);
    canvas.SetFont(plain);
    canvas.TextOut(56, 164, QStringLiteral("A shaded band drawn with FillRect"));

    TPen thin{rgbColor(160, 0, 0), TPenStyle::Solid, 1};
    canvas.SetPen(thin);
    TBrush yellow{rgbColor(255, 240, 160), TBrushStyle::Solid};
    canvas.SetBrush(yellow);
    canvas.Rectangle(48, 208, 248, 308);
    canvas.Ellipse(280, 208, 480, 308);
    canvas.SetBrushColor(rgbColor(160, 200, 255));
    canvas.RoundRect(512, 208, 712, 308, 40, 40);

    // Indicator pictures: natural size and stretched.
    for (int i = 0; i < indicatorPictureCount(); ++i) {
        canvas.DrawPicture(48 + i * 48, 340, i);
        canvas.StretchPicture(48 + i * 80, 400, 48 + i * 80 + 64, 464, i);
    }
    canvas.SetFont(plain);
    canvas.TextOut(48, 476,
                   QStringLiteral("Indicator pictures: 32 by 32 above, stretched to 64 by 64"));

    canvas.Watermark(QStringLiteral("SAMPLE WATERMARK"), w - 96, h - 96, 48, 48);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: listora-sample OUTPUT.pdf\n");
        return 2;
    }

    fontregistry::add(QStringLiteral("CODE"), TFont(QStringLiteral("Courier New"), 10));

    TPageStorage pages;
    pages.SetPageOrientation(false);
    pages.ResetPageCanvas(nullptr, nullptr, nullptr);
    recordSample(pages.Canvas(), QStringLiteral("Listora sample page (upright)"));
    pages.AddPage();
    pages.SetPageOrientation(true);
    recordSample(pages.Canvas(), QStringLiteral("Listora sample page (on its side)"));

    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setResolution(600);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    TDrawSurface surface(&writer);
    if (!surface.painter().isActive()) {
        std::fprintf(stderr, "listora-sample: cannot write %s\n", argv[1]);
        return 1;
    }
    TPlainGauge gauge;
    TNullProgress progress;
    for (int n = 1; n <= pages.PageCount(); ++n) {
        TPageRec& page = *pages.Page(n);
        if (n > 1) {
            writer.setPageOrientation(page.Landscape ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
            writer.newPage();
            surface.NewPage();
        }
        page.Canvas->PlayBack(surface, true, 1, 1, true, surface.GetDeviceCaps(dcAspectX),
                              surface.GetDeviceCaps(dcAspectY), &gauge, &progress);
    }
    fontregistry::clear();
    return 0;
}
