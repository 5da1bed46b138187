#pragma once
// Value types for fonts, pens and brushes with the conventions the listing
// relies on: a font has a size in points and a height in pixels at 96 dpi;
// a negative height is a character height (point-sized), so 10 pt is -13.
#include "platform/Colour.h"

#include <QString>

constexpr int kScreenDpi = 96;

// Windows-style MulDiv: a*b/c rounded half away from zero.
int mulDiv(int a, int b, int c);

enum TFontStyle : unsigned {
    fsBold = 1u << 0,
    fsItalic = 1u << 1,
    fsUnderline = 1u << 2,
    fsStrikeOut = 1u << 3,
};
using TFontStyles = unsigned;

class TFont {
public:
    TFont() = default;
    TFont(const QString& name, int size, TFontStyles style = 0, TColor color = clBlack);

    const QString& name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    // Size in points, derived from the height: -MulDiv(height, 72, 96).
    int size() const;
    // Sets the height to -MulDiv(points, 96, 72).
    void setSize(int points);

    int height() const { return height_; }
    void setHeight(int pixels) { height_ = pixels; }

    TFontStyles style() const { return style_; }
    void setStyle(TFontStyles style) { style_ = style; }
    bool bold() const { return style_ & fsBold; }
    bool italic() const { return style_ & fsItalic; }
    bool underline() const { return style_ & fsUnderline; }
    bool strikeOut() const { return style_ & fsStrikeOut; }

    TColor color() const { return color_; }
    void setColor(TColor color) { color_ = color; }

    // Escapement in tenths of a degree (rotated text such as the watermark).
    int escapement() const { return escapement_; }
    void setEscapement(int tenths) { escapement_ = tenths; }

    // Pixel size of the text cell at 96 dpi (always positive).
    int pixelSize() const;

    bool operator==(const TFont&) const = default;

private:
    QString name_ = QStringLiteral("Arial");
    int height_ = -13;
    TFontStyles style_ = 0;
    TColor color_ = clBlack;
    int escapement_ = 0;
};

enum class TPenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };

struct TPen {
    TColor color = clBlack;
    TPenStyle style = TPenStyle::Solid;
    int width = 1;
    bool operator==(const TPen&) const = default;
};

enum class TBrushStyle { Solid, Clear, Horizontal, Vertical, FDiagonal, BDiagonal, Cross, DiagCross };

struct TBrush {
    TColor color = clBlack;
    TBrushStyle style = TBrushStyle::Solid;
    bool operator==(const TBrush&) const = default;
};
