#include "platform/DrawSurface.h"

#include <gtest/gtest.h>

namespace {

QImage whitePage(int w = 200, int h = 200) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

QColor at(const QImage& img, int x, int y) {
    return img.pixelColor(x, y);
}

int countColour(const QImage& img, const QRect& area, QColor c) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

} // namespace

TEST(DrawSurface, MapsLogicalUnitsAnisotropically) {
    QImage img = whitePage();
    {
        TDrawSurface s(&img, &img);
        EXPECT_EQ(s.ClipRect(), QRect(0, 0, 200, 200));
        s.SetWindowExt(100, 400);
        s.SetViewportExt(200, 200); // x doubled, y halved
        s.SetBrush(TBrush{rgbColor(255, 0, 0), TBrushStyle::Solid});
        s.FillRect(10, 40, 20, 80);
        s.SetViewportOrg(100, 0);
        s.ScaleViewportExt(1, 2, 1, 1); // x back to 1:1, shifted by 100
        s.FillRect(0, 0, 10, 40);
    }
    EXPECT_EQ(at(img, 20, 20), QColor(Qt::red));
    EXPECT_EQ(at(img, 39, 39), QColor(Qt::red));
    EXPECT_EQ(at(img, 41, 20), QColor(Qt::white));
    EXPECT_EQ(at(img, 19, 20), QColor(Qt::white));
    EXPECT_EQ(at(img, 20, 41), QColor(Qt::white));
    EXPECT_EQ(at(img, 105, 5), QColor(Qt::red));
    EXPECT_EQ(at(img, 111, 5), QColor(Qt::white));
}

TEST(DrawSurface, TextBackgroundFollowsTheMode) {
    QImage img = whitePage(300, 60);
    {
        TDrawSurface s(&img, &img);
        s.SetBrush(TBrush{rgbColor(0, 0, 255), TBrushStyle::Solid});
        s.TextOut(0, 0, "MMMM");
        s.SetBkMode(true);
        s.TextOut(150, 0, "MMMM");
    }
    // Opaque: the box behind the text takes the brush colour.
    EXPECT_GT(countColour(img, QRect(0, 0, 40, 15), QColor(Qt::blue)), 100);
    // Transparent: ink but no box; the text is anchored at its top-left.
    EXPECT_EQ(countColour(img, QRect(150, 0, 40, 15), QColor(Qt::blue)), 0);
    EXPECT_GT(countColour(img, QRect(150, 0, 40, 15), QColor(Qt::white)), 0);
    EXPECT_LT(countColour(img, QRect(150, 0, 40, 15), QColor(Qt::white)), 40 * 15);
    EXPECT_EQ(countColour(img, QRect(150, 16, 40, 20), QColor(Qt::white)), 40 * 20);
}

TEST(DrawSurface, VeryLargeTextIsStillDrawn) {
    QImage img = whitePage(400, 400);
    {
        TDrawSurface s(&img, &img);
        s.SetBkMode(true);
        s.SetWindowExt(100, 100);
        s.SetViewportExt(400, 400);
        TFont big("Arial", 10);
        big.setHeight(-90); // 360 device pixels
        s.SetFont(big);
        s.TextOut(0, 0, "H");
    }
    const int ink = 400 * 400 - countColour(img, img.rect(), QColor(Qt::white));
    EXPECT_GT(ink, 10000);
}

TEST(DrawSurface, ShapesKeepInsideTheirBoxAndLinesMoveThePen) {
    QImage img = whitePage();
    {
        TDrawSurface s(&img, &img);
        s.SetBrush(TBrush{rgbColor(255, 255, 0), TBrushStyle::Solid});
        s.Rectangle(10, 10, 50, 50);
        s.MoveTo(100, 10);
        s.LineTo(100, 60);
        EXPECT_EQ(s.PenPos(), QPoint(100, 60));
        s.LineTo(150, 60);
        s.RoundRect(10, 100, 90, 180, 20, 20);
        s.Ellipse(110, 100, 190, 180);
    }
    EXPECT_EQ(at(img, 10, 30), QColor(Qt::black));
    EXPECT_EQ(at(img, 49, 30), QColor(Qt::black));
    EXPECT_EQ(at(img, 50, 30), QColor(Qt::white)); // right edge exclusive
    EXPECT_EQ(at(img, 30, 30), QColor(Qt::yellow));
    EXPECT_EQ(at(img, 100, 30), QColor(Qt::black));
    EXPECT_EQ(at(img, 125, 60), QColor(Qt::black));
    EXPECT_EQ(at(img, 50, 140), QColor(Qt::yellow));
    EXPECT_EQ(at(img, 11, 101), QColor(Qt::white)); // rounded corner
    EXPECT_EQ(at(img, 150, 140), QColor(Qt::yellow));
    EXPECT_EQ(at(img, 112, 102), QColor(Qt::white));
}

TEST(DrawSurface, FloodFillNeedsAPointInsideTheImage) {
    QImage img = whitePage();
    {
        TDrawSurface s(&img, &img);
        s.FloodFill(-5, 500, clBlack);
    }
    {
        TDrawSurface other(&img); // no image given, as for a PDF page
        other.FloodFill(10, 10, clBlack);
    }
    EXPECT_EQ(countColour(img, img.rect(), QColor(Qt::white)), 200 * 200);
}

TEST(DrawSurface, PicturesTakeLogicalUnits) {
    QImage pic(4, 4, QImage::Format_RGB32);
    pic.fill(Qt::green);
    QImage img = whitePage();
    {
        TDrawSurface s(&img, &img);
        s.SetWindowExt(100, 100);
        s.SetViewportExt(200, 200);
        s.Draw(10, 10, pic);                             // 8 by 8 pixels at (20, 20)
        s.StretchDraw(50, 50, 60, 70, pic);              // (100, 100) to (120, 140)
        s.StretchDIBits(0, 80, 10, 10, pic, pic.rect()); // (0, 160) to (20, 180)
    }
    EXPECT_EQ(at(img, 27, 27), QColor(Qt::green));
    EXPECT_EQ(at(img, 29, 20), QColor(Qt::white));
    EXPECT_EQ(at(img, 119, 139), QColor(Qt::green));
    EXPECT_EQ(at(img, 121, 139), QColor(Qt::white));
    EXPECT_EQ(at(img, 19, 179), QColor(Qt::green));
}

TEST(DrawSurface, ReportsDeviceCapabilities) {
    QImage img = whitePage();
    img.setDotsPerMeterX(3780); // 96 dpi
    img.setDotsPerMeterY(7559); // 192 dpi
    TDrawSurface s(&img);
    EXPECT_EQ(s.GetDeviceCaps(dcLogPixelsX), 96);
    EXPECT_EQ(s.GetDeviceCaps(dcLogPixelsY), 192);
    EXPECT_EQ(s.GetDeviceCaps(dcAspectX), 72); // pixels twice as wide as high
    EXPECT_EQ(s.GetDeviceCaps(dcAspectY), 18);
}

TEST(DrawSurface, FontsFromLogicalDescriptions) {
    TLogFont lf;
    lf.height = 41;
    lf.escapement = lf.orientation = 450;
    lf.weight = 400;
    lf.pitchAndFamily = 0x32; // variable pitch, modern family, no face
    TFont f = fontFromLogFont(lf);
    EXPECT_EQ(f.name(), "Arial");
    EXPECT_EQ(f.height(), 41);
    EXPECT_EQ(f.escapement(), 450);
    EXPECT_FALSE(f.bold());

    lf.weight = 700;
    lf.italic = true;
    lf.pitchAndFamily = 0x31; // fixed pitch
    f = fontFromLogFont(lf);
    EXPECT_EQ(f.name(), "Courier New");
    EXPECT_TRUE(f.bold());
    EXPECT_TRUE(f.italic());
}
