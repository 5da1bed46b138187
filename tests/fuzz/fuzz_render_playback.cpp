// Records an arbitrary command list on a virtual canvas and plays it onto a
// small image, on screen and as if printing: no crash, no undefined
// behaviour, whatever the coordinates and page size.
#include "platform/DrawSurface.h"
#include "platform/Progress.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstring>

namespace {

class TReader {
public:
    TReader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
    bool more() const { return p_ < end_; }
    std::uint8_t byte() { return p_ < end_ ? *p_++ : 0; }
    // Shapes get 16-bit coordinates (larger ones only make the rasteriser
    // slow); the watermark's geometry gets full 32-bit values.
    int small() { return std::int16_t(byte() | (byte() << 8)); }
    int wide() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(byte()) << (8 * i);
        return std::int32_t(v);
    }
    QString text() {
        const int n = byte() % 40;
        QString s;
        for (int i = 0; i < n; ++i)
            s += QChar(0x20 + byte() % 0x60);
        return s;
    }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    fontregistry::add(QStringLiteral("CODE"), TFont(QStringLiteral("Courier New"), 10));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TReader in(data, size);
    TVirtCanvas canvas;
    canvas.InitPage(in.byte() * 12, in.byte() * 12);
    int commands = 0;
    while (in.more() && ++commands < 200) {
        switch (in.byte() % 20) {
        case 0:
            canvas.TextOut(in.small(), in.small(), in.text());
            break;
        case 1:
            canvas.TextOutInFont(in.small(), in.small(), in.byte() & 1 ? "CODE" : "NONE",
                                 in.text());
            break;
        case 2:
            canvas.MoveTo(in.small(), in.small());
            break;
        case 3:
            canvas.LineTo(in.small(), in.small());
            break;
        case 4:
            canvas.Rectangle(in.small(), in.small(), in.small(), in.small());
            break;
        case 5:
            canvas.Ellipse(in.small(), in.small(), in.small(), in.small());
            break;
        case 6:
            canvas.FillRect(in.small(), in.small(), in.small(), in.small());
            break;
        case 7:
            canvas.DrawPicture(in.small(), in.small(), in.small());
            break;
        case 8:
            canvas.StretchPicture(in.small(), in.small(), in.small(), in.small(),
                                  in.byte() % 7 - 1);
            break;
        case 9: {
            TFont f(in.byte() & 1 ? "Arial" : "Courier New", 10, in.byte() & 15);
            f.setHeight(in.small());
            canvas.SetFont(f);
            break;
        }
        case 10:
            canvas.SetPen(TPen{in.byte() * 0x10101u, TPenStyle(in.byte() % 7), in.byte() % 20});
            break;
        case 11:
            canvas.SetBrush(TBrush{in.byte() * 0x10101u, TBrushStyle(in.byte() % 8)});
            break;
        case 12:
            canvas.SetBrushColor(in.wide());
            break;
        case 13:
            canvas.SetPenColor(in.wide());
            break;
        case 14:
            in.byte() & 1 ? canvas.SetTransparent() : canvas.SetOpaque();
            break;
        case 15:
            canvas.Watermark(in.text(), in.wide(), in.wide(), in.wide(), in.wide());
            break;
        case 16:
            canvas.SetFontHeight(in.small());
            break;
        case 17: {
            const int a = in.small(), b = in.small(), c = in.small(), d = in.small();
            const int kind = in.byte() % 3;
            const int e = in.small(), f = in.small(), g = in.small(), h = in.small();
            if (kind == 0)
                canvas.Arc(a, b, c, d, e, f, g, h);
            else if (kind == 1)
                canvas.Pie(a, b, c, d, e, f, g, h);
            else
                canvas.Chord(a, b, c, d, e, f, g, h);
            break;
        }
        case 18:
            canvas.RoundRect(in.small(), in.small(), in.small(), in.small(), in.small(),
                             in.small());
            break;
        default:
            canvas.FloodFill(in.small(), in.small(), in.wide());
            break;
        }
    }

    QImage img(64, 80, QImage::Format_RGB32);
    img.fill(Qt::white);
    TPlainGauge gauge;
    {
        TDrawSurface s(&img, &img);
        canvas.PlayBack(s, true, 0, 0, false, 0, 0, nullptr);
    }
    {
        TDrawSurface s(&img, &img);
        canvas.PlayBack(s, true, 1, 1, true, 36, 36, &gauge);
    }
    QImage dot(1, 1, QImage::Format_RGB32);
    {
        TDrawSurface s(&dot, &dot);
        canvas.PlayBack(s, true, 0, 0, false, 0, 0, nullptr);
    }
    return 0;
}
