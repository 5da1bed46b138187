#pragma once
// A drawing surface with the Windows canvas conventions the recorded pages
// rely on: text anchored at its top-left corner, a pen position, shapes
// given by their bounding box with right and bottom edges exclusive, arcs
// counter-clockwise from a start point to an end point, an anisotropic
// mapping of logical units onto device pixels, and fonts sized in logical
// units so that the mapping scales them.
//
// IDrawSurface is what the virtual canvas plays onto; TDrawSurface draws on
// any QPaintDevice (a QImage, a QPdfWriter page, a printer page).
#include "platform/Font.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QPaintDevice;

// Device capabilities, numbered as GetDeviceCaps numbers them.
enum TDeviceCap { dcAspectX = 40, dcAspectY = 42, dcLogPixelsX = 88, dcLogPixelsY = 90 };

// A font from a logical description (CreateFontIndirect). Height is the cell
// height when positive and the character height when negative; escapement
// and orientation are in tenths of a degree, counter-clockwise.
struct TLogFont {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;
    int pitchAndFamily = 0;
    QString faceName;
};

// The font such a description selects. Without a face name the pitch and
// family pick one: fixed pitch gives "Courier New", the roman family
// "Times New Roman", anything else "Arial". Weights of 600 and above are bold.
TFont fontFromLogFont(const TLogFont& lf);

class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;

    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;

    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual QPoint PenPos() const = 0;

    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    virtual void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) = 0;
    virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void FillRect(int x1, int y1, int x2, int y2) = 0;
    // Fills with the brush from (x, y) outwards up to pixels of colour border.
    virtual void FloodFill(int x, int y, TColor border) = 0;

    virtual void Draw(int x, int y, const QImage& picture) = 0;
    virtual void StretchDraw(int x1, int y1, int x2, int y2, const QImage& picture) = 0;
    virtual void StretchDIBits(int x, int y, int width, int height, const QImage& picture,
                               const QRect& source) = 0;

    virtual void SetBkMode(bool transparent) = 0;
    virtual bool Transparent() const = 0;

    // The drawable area in device pixels.
    virtual QRect ClipRect() const = 0;

    // Anisotropic mapping: logical (x, y) goes to
    // viewportOrg + (x, y) * viewportExt / windowExt.
    virtual void SetWindowExt(int width, int height) = 0;
    virtual void SetViewportExt(int width, int height) = 0;
    virtual void SetViewportOrg(int x, int y) = 0;
    virtual void ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) = 0;
    virtual QSize WindowExt() const = 0;
    virtual QSize ViewportExt() const = 0;

    virtual int GetDeviceCaps(TDeviceCap cap) const = 0;

    virtual TFont Font() const = 0;
    virtual void SetFont(const TFont& font) = 0;
    virtual TPen Pen() const = 0;
    virtual void SetPen(const TPen& pen) = 0;
    virtual TBrush Brush() const = 0;
    virtual void SetBrush(const TBrush& brush) = 0;
    // The text colour is the colour of the current font.
    void SetTextColor(TColor color) {
        TFont f = Font();
        f.setColor(color);
        SetFont(f);
    }
    void SetLogFont(const TLogFont& lf) { SetFont(fontFromLogFont(lf)); }
};

// The QPainter implementation. A fresh surface has a white solid brush, a
// black solid pen of width 1, "Arial" at 10 points, an opaque text
// background and the identity mapping (window and viewport 1 by 1).
//
// FloodFill works on pixels, so it needs the QImage being painted (pass it
// as image, usually the same object as device); on any other device (a PDF
// or a printer page) it does nothing.
class TDrawSurface : public IDrawSurface {
public:
    explicit TDrawSurface(QPaintDevice* device, QImage* image = nullptr);
    ~TDrawSurface() override;
    TDrawSurface(const TDrawSurface&) = delete;
    TDrawSurface& operator=(const TDrawSurface&) = delete;

    QPainter& painter() { return painter_; }
    // Restricts drawing to rect (device pixels); an empty rect removes it.
    void SetClipRect(const QRect& rect);
    // Called after QPdfWriter::newPage() or QPrinter::newPage(): the device
    // forgets the painter's state, so the mapping and clip are set again.
    void NewPage();

    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    QPoint PenPos() const override { return penPos_; }

    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void FloodFill(int x, int y, TColor border) override;

    void Draw(int x, int y, const QImage& picture) override;
    void StretchDraw(int x1, int y1, int x2, int y2, const QImage& picture) override;
    void StretchDIBits(int x, int y, int width, int height, const QImage& picture,
                       const QRect& source) override;

    void SetBkMode(bool transparent) override { transparent_ = transparent; }
    bool Transparent() const override { return transparent_; }

    QRect ClipRect() const override;

    void SetWindowExt(int width, int height) override;
    void SetViewportExt(int width, int height) override;
    void SetViewportOrg(int x, int y) override;
    void ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) override;
    QSize WindowExt() const override { return windowExt_; }
    QSize ViewportExt() const override { return viewportExt_; }

    int GetDeviceCaps(TDeviceCap cap) const override;

    TFont Font() const override { return font_; }
    void SetFont(const TFont& font) override;
    TPen Pen() const override { return pen_; }
    void SetPen(const TPen& pen) override;
    TBrush Brush() const override { return brush_; }
    void SetBrush(const TBrush& brush) override;

private:
    void applyTransform();
    void applyPen();
    void applyBrush();
    QRectF strokeBox(int x1, int y1, int x2, int y2) const;
    void drawPath(const QPainterPath& path, bool closed);
    // Text sets the painter's pen to the text colour; shapes need theirs back.
    void ensureShapePen() {
        if (textPenActive_) applyPen();
    }
    // The Qt font and metrics of the current font, made once per font.
    void ensureTextFont();

    QPaintDevice* device_;
    QImage* image_;
    QPainter painter_;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    QPoint penPos_;
    bool transparent_ = false;
    QSize windowExt_{1, 1};
    QSize viewportExt_{1, 1};
    QPoint viewportOrg_;
    QRect clip_;
    // Device pixels per logical unit (the larger axis).
    double deviceScale_ = 1.0;
    bool textPenActive_ = false;
    bool textFontValid_ = false;
    TFont textFontKey_;
    QFont textFont_;
    std::optional<QFontMetricsF> textMetrics_;
};
