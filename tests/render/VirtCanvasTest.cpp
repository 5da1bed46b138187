#include "RecordingSurface.h"

#include "platform/Messages.h"
#include "platform/Progress.h"
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <gtest/gtest.h>

namespace {

class TMessageRecorder : public IMessageService {
public:
    QStringList errors;
    void show(TMessageKind kind, const QString&, const QString& text) override {
        if (kind == TMessageKind::Error) errors << text;
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
};

class TCountingProgress : public TNullProgress {
public:
    int pumps = 0;
    void processPendingMessages() override { ++pumps; }
};

class VirtCanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        fontregistry::clear();
        setMessageService(&messages);
        setTextMeasurer(&measurer);
        canvas.InitPage(816, 1056);
    }
    void TearDown() override {
        fontregistry::clear();
        setMessageService(nullptr);
        setTextMeasurer(nullptr);
    }
    void playOnScreen(IDrawSurface& s) { canvas.PlayBack(s, true, 0, 0, false, 0, 0, nullptr); }
    void playPrinting(IDrawSurface& s, IGauge* gauge = nullptr, IProgress* progress = nullptr) {
        canvas.PlayBack(s, true, 1, 1, true, 36, 36, gauge, progress);
    }

    TVirtCanvas canvas;
    TMessageRecorder messages;
    TFixedMeasurer measurer; // 13 px: 7.8 per character, 15 high
};

} // namespace

TEST_F(VirtCanvasTest, SelectionsStoreOwnCopiesAndNothingIsNothing) {
    TFont font("Times New Roman", 14, fsItalic, rgbColor(0, 0, 128));
    TPen pen{rgbColor(255, 0, 0), TPenStyle::Dot, 2};
    TBrush brush{rgbColor(0, 255, 0), TBrushStyle::Horizontal};
    canvas.SetFont(font);
    canvas.SetPen(pen);
    canvas.SetBrush(brush);
    const TFont fontCopy = font;
    font.setName("Changed");
    pen.width = 9;
    brush.color = clWhite;
    ASSERT_EQ(canvas.CommandCount(), 3);
    const auto& c = canvas.Commands();
    EXPECT_EQ(c[0].Kind, ckSetFont);
    EXPECT_EQ(c[0].X1, -19);
    EXPECT_EQ(c[0].X2, -1);
    EXPECT_EQ(*canvas.CommandFont(c[0]), fontCopy);
    EXPECT_EQ(canvas.CommandPen(c[1])->width, 2);
    EXPECT_EQ(canvas.CommandBrush(c[2])->color, rgbColor(0, 255, 0));
    EXPECT_EQ(canvas.CurrentFont(), fontCopy);
    EXPECT_EQ(canvas.RecordedFontHeight(), -19);

    canvas.SetFont(nullptr);
    canvas.SetPen(nullptr);
    canvas.SetBrush(nullptr);
    EXPECT_EQ(canvas.CommandCount(), 3);
    EXPECT_EQ(canvas.CurrentFont(), fontCopy);

    canvas.SetFontHeight(-20);
    ASSERT_EQ(canvas.CommandCount(), 4);
    EXPECT_EQ(canvas.Commands()[3].X1, -20);
    EXPECT_EQ(canvas.CommandFont(canvas.Commands()[3])->name(), "Times New Roman");
    EXPECT_EQ(canvas.RecordedFontHeight(), -20);
}

TEST_F(VirtCanvasTest, MeasuresInTheCurrentOrARegisteredFont) {
    EXPECT_EQ(canvas.TextWidth("abcde"), 39);
    EXPECT_EQ(canvas.TextHeight("abcde"), 15);
    fontregistry::add("CODE", TFont("Courier New", 20)); // 27 px
    EXPECT_EQ(canvas.TextWidthInFont("abcde", "CODE"), 81);
    EXPECT_EQ(canvas.TextHeightInFont("abcde", "CODE"), 29);
    EXPECT_EQ(canvas.TextWidthInFont("abcde", "MISSING"), 39);
    EXPECT_EQ(canvas.CurrentFont(), TFont("Arial", 10));
    EXPECT_EQ(canvas.TextWidth("abcde"), 39);
}

TEST_F(VirtCanvasTest, PlaysEveryKindInOrderThroughTheMapping) {
    canvas.SetTransparent();
    canvas.MoveTo(5, 6);
    canvas.LineTo(7, 8);
    canvas.Rectangle(10, 11, 12, 13);
    canvas.Ellipse(14, 15, 16, 17);
    canvas.FillRect(18, 19, 20, 21);
    canvas.Arc(1, 2, 3, 4, 5, 6, 7, 8);
    canvas.Pie(9, 10, 11, 12, 13, 14, 15, 16);
    canvas.Chord(17, 18, 19, 20, 21, 22, 23, 24);
    canvas.RoundRect(30, 31, 32, 33, 34, 35);
    canvas.SetPenPos(36, 37);
    canvas.FloodFill(38, 39, clSilver);
    canvas.TextOut(40, 41, "hello");
    canvas.DrawPicture(42, 43, 1);
    canvas.StretchPicture(44, 45, 108, 109, 2);
    canvas.DrawPicture(46, 47, -1); // outside the list: nothing

    TRecordingSurface s;
    s.clip = QRect(0, 0, 408, 528);
    playOnScreen(s);
    EXPECT_EQ(s.WindowExt(), QSize(816, 1056));
    EXPECT_EQ(s.ViewportExt(), QSize(408, 528));
    QStringList ops;
    for (const auto& c : s.calls)
        ops << c.op;
    EXPECT_EQ(ops.join(' '),
              "SetViewportOrg MoveTo LineTo Rectangle Ellipse FillRect Arc Pie Chord "
              "RoundRect MoveTo FloodFill TextOut Draw StretchDraw");
    EXPECT_EQ(s.calls[0].args, (QList<int>{0, 0}));
    EXPECT_EQ(s.calls[6].args, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(s.calls[9].args, (QList<int>{30, 31, 32, 33, 34, 35}));
    EXPECT_EQ(s.calls[11].args, (QList<int>{38, 39, int(clSilver)}));
    EXPECT_EQ(s.calls[12].text, "hello");
    EXPECT_TRUE(s.calls[12].transparent);
    EXPECT_EQ(s.calls[13].args, (QList<int>{42, 43, 32, 32}));
    EXPECT_EQ(s.calls[14].args, (QList<int>{44, 45, 108, 109}));

    // The printer gets pictures as bitmaps at the same places and sizes, and
    // the multipliers scale its viewport.
    TRecordingSurface p;
    canvas.PlayBack(p, true, 2, 3, true, 36, 36, nullptr);
    EXPECT_EQ(p.ViewportExt(), QSize(816 * 2, 1056 * 3));
    const auto dib = p.callsOf("StretchDIBits");
    ASSERT_EQ(dib.size(), 2u);
    EXPECT_EQ(dib[0].args, (QList<int>{42, 43, 32, 32, 32, 32}));
    EXPECT_EQ(dib[1].args, (QList<int>{44, 45, 64, 64, 32, 32}));
    // The printer's rectangle is taken once and kept; the screen's clip
    // rectangle always rules.
    EXPECT_EQ(canvas.PlayRect(), (TPlayRect{0, 0, 816, 1056}));
    p.clip = QRect(0, 0, 100, 100);
    canvas.PlayBack(p, true, 0, 0, true, 36, 36, nullptr);
    EXPECT_EQ(p.ViewportExt(), QSize(816, 1056));
    playOnScreen(p);
    EXPECT_EQ(p.ViewportExt(), QSize(100, 100));
    EXPECT_TRUE(messages.errors.isEmpty());
}

TEST_F(VirtCanvasTest, SelectionsAndColoursReachTheTarget) {
    const TPen red{rgbColor(255, 0, 0), TPenStyle::Solid, 3};
    const TBrush hollow{clWhite, TBrushStyle::Clear};
    canvas.SetPen(red);
    canvas.SetBrush(hollow);
    canvas.Rectangle(0, 0, 10, 10);
    canvas.SetBrushColor(rgbColor(0, 0, 255));
    canvas.SetPenColor(rgbColor(0, 255, 0));
    canvas.Rectangle(0, 0, 10, 10);

    TRecordingSurface s;
    playOnScreen(s);
    const auto rects = s.callsOf("Rectangle");
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].pen, red);
    EXPECT_EQ(rects[0].brush, hollow);
    EXPECT_EQ(rects[1].pen, (TPen{rgbColor(0, 255, 0), TPenStyle::Solid, 3}));
    // A hollow brush given a colour fills with it.
    EXPECT_EQ(rects[1].brush, (TBrush{rgbColor(0, 0, 255), TBrushStyle::Solid}));
    // Only the target changed.
    EXPECT_EQ(canvas.CurrentPen(), red);
    EXPECT_EQ(canvas.CurrentBrush(), hollow);
}

TEST_F(VirtCanvasTest, NamedFontTextIsDrawnWholeInTheRegisteredFont) {
    fontregistry::add("CODE", TFont("Courier New", 12, fsBold));
    const QString longText = QString(299, QChar('x')) + QChar('!');
    canvas.TextOutInFont(10, 20, "CODE", longText);
    canvas.TextOutInFont(10, 40, "MISSING", "fallback");
    canvas.TextOut(10, 60, "after");
    canvas.TextOutInFont(10, 80, "CODE", "a|||b");

    TRecordingSurface s;
    const TFont before("Georgia", 7);
    s.SetFont(before);
    playOnScreen(s);
    const auto texts = s.callsOf("TextOut");
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text.size(), 300);
    EXPECT_EQ(texts[0].text, longText);
    EXPECT_EQ(texts[0].font.name(), "Courier New");
    EXPECT_EQ(texts[0].font.size(), 11); // a point smaller on the target
    EXPECT_TRUE(texts[0].font.bold());
    EXPECT_EQ(texts[1].text, "fallback");
    EXPECT_EQ(texts[1].font.name(), "Arial");
    // The named font served only its own command.
    EXPECT_EQ(texts[2].font.name(), "Arial");
    EXPECT_EQ(texts[2].font.size(), 9);
    EXPECT_EQ(canvas.CurrentFont(), TFont("Arial", 10));
    // Split at the first separator only.
    EXPECT_EQ(texts[3].text, "a|||b");
    // The target gets back the font it had before a named-font text.
    EXPECT_EQ(s.Font(), texts[2].font);
    TVirtCanvas single;
    single.InitPage(816, 1056);
    single.TextOutInFont(0, 0, "CODE", "x");
    TRecordingSurface t;
    t.SetFont(before);
    single.PlayBack(t, true, 0, 0, false, 0, 0, nullptr);
    EXPECT_EQ(t.Font(), before);
}

TEST_F(VirtCanvasTest, TinyPagesOnScreenUseSmallFonts) {
    canvas.TextOut(0, 0, "tiny");
    canvas.TextOut(0, 20, "again");
    TRecordingSurface screen;
    screen.clip = QRect(0, 0, 16, 21); // under a fiftieth of 816
    playOnScreen(screen);
    auto texts = screen.callsOf("TextOut");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].font.name(), "Small Fonts");
    EXPECT_EQ(texts[1].font.name(), "Small Fonts");
    EXPECT_EQ(canvas.CurrentFont(), TFont("Arial", 10));

    TRecordingSurface wider;
    wider.clip = QRect(0, 0, 17, 22); // 17 / 816 is above the limit
    playOnScreen(wider);
    EXPECT_EQ(wider.callsOf("TextOut")[0].font.name(), "Arial");

    TRecordingSurface printer;
    printer.clip = QRect(0, 0, 16, 21);
    playPrinting(printer);
    EXPECT_EQ(printer.callsOf("TextOut")[0].font.name(), "Arial");
}

TEST_F(VirtCanvasTest, TextSizesOnScreenAndOnThePrinter) {
    canvas.TextOut(0, 0, "ten");
    TFont one("Arial", 1);
    canvas.SetFont(one);
    canvas.TextOut(0, 20, "one");
    TFont twelve("Arial", 12); // -16
    canvas.SetFont(twelve);
    fontregistry::add("CODE", TFont("Courier New", 8)); // -11
    canvas.TextOutInFont(0, 40, "CODE", "code");

    // Text before the first selection finds the font that recording left.
    TRecordingSurface leftOver;
    playOnScreen(leftOver);
    EXPECT_EQ(leftOver.callsOf("TextOut")[0].font.height(), -15); // 12 pt drawn at 11 pt

    canvas.InitPage(816, 1056);
    TRecordingSurface screen;
    playOnScreen(screen);
    auto t = screen.callsOf("TextOut");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].font.height(), -12); // 10 pt drawn at 9 pt
    EXPECT_EQ(t[1].font.height(), -1);  // 1 pt is not lowered to 0

    canvas.InitPage(816, 1056); // back to "Arial" 10 pt for the printer run
    TRecordingSurface printer;
    playPrinting(printer);
    t = printer.callsOf("TextOut");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].font.height(), -12); // recorded -13, printed -13 + 1
    EXPECT_EQ(t[1].font.height(), 0);   // recorded -1
    // A named font prints in its own height, as the layout measured it.
    EXPECT_EQ(t[2].font.height(), -10);
    EXPECT_EQ(t[2].font.name(), "Courier New");

    TRecordingSurface noAspect;
    canvas.PlayBack(noAspect, true, 1, 1, true, 0, 36, nullptr);
    EXPECT_TRUE(noAspect.callsOf("TextOut").empty());
}

TEST_F(VirtCanvasTest, WatermarkFollowsTheDiagonal) {
    // Recording surface: 10 units per character, 20 high, 96 dpi.
    canvas.Watermark("DRAFT", 0, 600, 40, 60);
    TRecordingSurface screen;
    const TFont own("Verdana", 9);
    screen.SetFont(own);
    playOnScreen(screen);
    auto t = screen.callsOf("TextOut");
    ASSERT_EQ(t.size(), 1u);
    // D = 600, A = 45, Lead = 275, y = Round(600 - 0.70683 * 275) - 20 + 60
    // = 446, x = Round((1056 - 446 - 120) - 11) = 479, y = 446 + 22.
    EXPECT_EQ(t[0].args, (QList<int>{479, 468}));
    EXPECT_EQ(t[0].font.escapement(), 450);
    EXPECT_EQ(t[0].font.height(), 41); // Round(96 * 3 / 7)
    EXPECT_EQ(t[0].font.color(), clSilver);
    EXPECT_EQ(screen.Font(), canvas.CurrentFont());

    TRecordingSurface printer;
    printer.dpi = 600;
    playPrinting(printer);
    t = printer.callsOf("TextOut");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].font.escapement(), 450); // width 0: 45 degrees
    EXPECT_EQ(t[0].font.height(), 67);      // Round(600 / 9)

    canvas.ClearCommands();
    canvas.Watermark("DRAFT", 400, 300, 0, 0); // atan(0.75) with 3.14: 37 degrees
    TRecordingSurface printer2;
    playPrinting(printer2);
    EXPECT_EQ(printer2.callsOf("TextOut")[0].font.escapement(), 370);
}

TEST_F(VirtCanvasTest, PrintingMovesTheGaugeAndPumpsMessages) {
    struct TWatch : TPlainGauge {
        int highest = 0;
        void setPosition(int p) override {
            TPlainGauge::setPosition(p);
            highest = std::max(highest, p);
        }
    } gauge;
    TCountingProgress progress;
    TRecordingSurface s;
    playPrinting(s, &gauge, &progress);
    EXPECT_EQ(gauge.maximum(), 0);
    EXPECT_EQ(gauge.position(), 0);
    EXPECT_EQ(progress.pumps, 1);

    canvas.MoveTo(0, 0);
    canvas.LineTo(5, 5);
    canvas.TextOut(0, 0, "x");
    progress.pumps = 0;
    playPrinting(s, &gauge, &progress);
    EXPECT_EQ(gauge.maximum(), 3);
    EXPECT_EQ(gauge.highest, 4); // one per command, one more per text
    EXPECT_EQ(gauge.position(), 0);
    EXPECT_EQ(progress.pumps, 1 + 3 + 1);

    progress.pumps = 0;
    gauge.setPosition(5);
    canvas.PlayBack(s, true, 0, 0, false, 0, 0, &gauge, &progress); // screen
    EXPECT_EQ(gauge.position(), 5);
    EXPECT_EQ(progress.pumps, 0);
}

TEST_F(VirtCanvasTest, FailuresShowTheirBoxAndStopPlayback) {
    canvas.TextOut(0, 0, "x");
    canvas.LineTo(5, 5);
    TRecordingSurface s;
    s.failText = true;
    playOnScreen(s);
    EXPECT_TRUE(s.callsOf("LineTo").empty());

    canvas.ClearCommands();
    canvas.DrawPicture(0, 0, 0);
    TRecordingSurface p;
    p.failPictures = true;
    playOnScreen(p);
    canvas.ClearCommands();
    canvas.StretchPicture(0, 0, 10, 10, 0);
    playOnScreen(p);
    EXPECT_EQ(messages.errors, (QStringList{"Error in Text out to Canvas\nno text today",
                                            "Error in Draw to Canvas\nno pictures today",
                                            "Error in Stretch Draw to Canvas\nno pictures today"}));
}

// Real pixels: a page played at half size into an image.
namespace {

QImage playIntoImage(TVirtCanvas& canvas, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TDrawSurface s(&img, &img);
        canvas.PlayBack(s, true, 0, 0, false, 0, 0, nullptr);
    }
    return img;
}

void recordEverything(TVirtCanvas& c) {
    c.SetFont(TFont("Arial", 24));
    c.SetPen(TPen{rgbColor(255, 0, 0), TPenStyle::Solid, 4});
    c.SetBrush(TBrush{rgbColor(0, 0, 255), TBrushStyle::Solid});
    c.SetTransparent();
    c.TextOut(100, 40, "HEADING");
    c.FillRect(100, 100, 300, 200);  // blue
    c.Rectangle(400, 100, 600, 200); // red outline, blue inside
    c.Ellipse(100, 300, 300, 500);   // blue centre
    c.MoveTo(400, 300);
    c.LineTo(700, 300);                      // red line
    c.StretchPicture(400, 400, 528, 528, 0); // a picture, white behind
    c.SetBrushColor(rgbColor(0, 255, 0));
    c.FillRect(100, 600, 300, 700); // green
    c.SetPen(TPen{clBlack, TPenStyle::Solid, 2});
    c.SetBrush(TBrush{clWhite, TBrushStyle::Clear});
    c.Rectangle(400, 600, 600, 800);
    c.SetBrush(TBrush{rgbColor(255, 255, 0), TBrushStyle::Solid});
    c.FloodFill(500, 700, clBlack); // yellow inside the frame
    c.Watermark("WATERMARK", 716, 956, 50, 50);
}

} // namespace

// The list starts with its own font, pen and brush: every playback draws
// the same, whatever the target held before.
TEST_F(VirtCanvasTest, PlaysIntoAnImageTheSameEveryTime) {
    setTextMeasurer(nullptr); // real metrics for real pixels
    recordEverything(canvas);
    const QImage img = playIntoImage(canvas, 408, 528);
    auto px = [&](int x, int y) { return img.pixelColor(x / 2, y / 2); };
    EXPECT_EQ(px(200, 150), QColor(Qt::blue));
    EXPECT_EQ(px(500, 150), QColor(Qt::blue));
    EXPECT_EQ(px(402, 150), QColor(Qt::red));
    EXPECT_EQ(px(200, 400), QColor(Qt::blue));
    EXPECT_EQ(px(104, 304), QColor(Qt::white)); // outside the ellipse
    EXPECT_EQ(px(550, 300), QColor(Qt::red));
    EXPECT_EQ(px(200, 650), QColor(Qt::green));
    EXPECT_EQ(px(500, 700), QColor(Qt::yellow));
    EXPECT_EQ(px(700, 700), QColor(Qt::white));
    // Some ink in the heading and in the picture.
    auto ink = [&](int x, int y, int w, int h) {
        int n = 0;
        for (int j = y / 2; j < (y + h) / 2; ++j)
            for (int i = x / 2; i < (x + w) / 2; ++i)
                n += img.pixelColor(i, j) != QColor(Qt::white);
        return n;
    };
    EXPECT_GT(ink(100, 40, 200, 30), 50);
    EXPECT_GT(ink(400, 400, 128, 128), 50);
    EXPECT_TRUE(messages.errors.isEmpty());

    QImage again(408, 528, QImage::Format_RGB32);
    again.fill(Qt::white);
    {
        TDrawSurface s(&again, &again);
        s.SetPen(TPen{rgbColor(0, 128, 0), TPenStyle::Dash, 9});
        s.SetBrush(TBrush{clGray, TBrushStyle::Cross});
        canvas.PlayBack(s, true, 0, 0, false, 0, 0, nullptr);
    }
    EXPECT_TRUE(img == again);
}
