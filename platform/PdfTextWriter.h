#pragma once
// A PDF of pages of plain text, written directly: each text is one text
// operator in one of the PDF's standard fonts (Helvetica, Times, Courier,
// which "Arial", "Times New Roman" and "Courier New" match in metrics), each
// rule one stroke. QPdfWriter shapes every text and writes each glyph with a
// position of its own, in an embedded subset of the font; on a page of
// dense small print, such as the cross-reference's, that is twenty times
// the work and the bytes.
//
// Pages are played onto Surface() as onto any other surface, mapped as a
// 600 dpi PDF device maps them, so texts stand where QPdfWriter puts them.
// What this writer cannot draw exactly (pictures, shapes, fills, rotated,
// underlined or struck-out text, other fonts, characters outside the
// fonts' Windows-1252 set) marks the document Unsupported(); the caller
// then draws those pages through QPdfWriter instead.
#include "platform/DrawSurface.h"

#include <QByteArray>
#include <QFontMetricsF>
#include <QHash>

#include <memory>
#include <optional>
#include <vector>

class TPdfTextSurface : public IDrawSurface {
public:
    TPdfTextSurface() = default;

    // A new page of the given size in points, and the content stream of
    // what was drawn on it.
    void BeginPage(double widthPoints, double heightPoints);
    QByteArray FinishPage();
    // Whether something asked for could not be drawn.
    bool Unsupported() const { return unsupported_; }
    // The standard fonts used so far, in the order of their resource names
    // /F1, /F2, ...
    const std::vector<QByteArray>& Fonts() const { return fonts_; }

    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;

    void MoveTo(int x, int y) override { penPos_ = QPoint(x, y); }
    void LineTo(int x, int y) override;
    QPoint PenPos() const override { return penPos_; }

    void Rectangle(int, int, int, int) override { unsupported_ = true; }
    void Ellipse(int, int, int, int) override { unsupported_ = true; }
    void RoundRect(int, int, int, int, int, int) override { unsupported_ = true; }
    void Arc(int, int, int, int, int, int, int, int) override { unsupported_ = true; }
    void Pie(int, int, int, int, int, int, int, int) override { unsupported_ = true; }
    void Chord(int, int, int, int, int, int, int, int) override { unsupported_ = true; }
    void FillRect(int, int, int, int) override { unsupported_ = true; }
    void FloodFill(int, int, TColor) override { unsupported_ = true; }
    void Draw(int, int, const QImage&) override { unsupported_ = true; }
    void StretchDraw(int, int, int, int, const QImage&) override { unsupported_ = true; }
    void StretchDIBits(int, int, int, int, const QImage&, const QRect&) override {
        unsupported_ = true;
    }

    void SetBkMode(bool transparent) override { transparent_ = transparent; }
    bool Transparent() const override { return transparent_; }

    QRect ClipRect() const override { return QRect(QPoint(0, 0), deviceSize_); }

    void SetWindowExt(int width, int height) override;
    void SetViewportExt(int width, int height) override;
    void SetViewportOrg(int x, int y) override;
    void ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) override;
    QSize WindowExt() const override { return windowExt_; }
    QSize ViewportExt() const override { return viewportExt_; }

    int GetDeviceCaps(TDeviceCap cap) const override;

    TFont Font() const override { return font_; }
    void SetFont(const TFont& font) override { font_ = font; }
    TPen Pen() const override { return pen_; }
    void SetPen(const TPen& pen) override { pen_ = pen; }
    TBrush Brush() const override { return brush_; }
    void SetBrush(const TBrush& brush) override { brush_ = brush; }

private:
    struct TPlacedFont {
        int resource = 0; // /F<resource>
        int pixelSize = 0;
        QFontMetricsF metrics{QFont()};
    };
    // The mapping in force as a cm operator, written before the next
    // drawing when it has changed.
    void applyMapping();
    const TPlacedFont* placedFont();

    QByteArray content_;
    QSize deviceSize_;
    bool unsupported_ = false;
    bool mappingWritten_ = false;
    bool mappingOpen_ = false;
    double deviceScale_ = 1;
    QSize windowExt_{1, 1};
    QSize viewportExt_{1, 1};
    QPoint viewportOrg_;
    QPoint penPos_;
    bool transparent_ = false;
    TFont font_;
    TPen pen_;
    TBrush brush_{clWhite, TBrushStyle::Solid};
    // The colours last set in the content (-1: none yet on this page).
    qint64 strokeColour_ = -1, fillColour_ = -1;
    double lineWidth_ = -1;
    std::vector<QByteArray> fonts_;
    QHash<QByteArray, int> fontResources_;
    std::optional<TFont> placedKey_;
    std::optional<TPlacedFont> placed_;
};

// The pages played onto a TPdfTextSurface gathered into a PDF file.
class TPdfTextDocument {
public:
    TPdfTextSurface& Surface() { return surface_; }
    void BeginPage(double widthPoints, double heightPoints);
    // The whole file; empty when something could not be drawn.
    QByteArray Finish();

private:
    void endPage();

    struct TPage {
        double width, height;
        QByteArray content; // compressed
    };
    TPdfTextSurface surface_;
    std::vector<TPage> pages_;
    bool open_ = false;
};

// Windows-1252 bytes of the text as the standard fonts' WinAnsiEncoding
// has them, escaped for a PDF string; nothing when a character has no place
// there.
std::optional<QByteArray> PdfWinAnsiString(QStringView text);
