#include "platform/DrawSurface.h"

#include "platform/TextMeasurer.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

TFont fontFromLogFont(const TLogFont& lf) {
    QString face = lf.faceName;
    if (face.isEmpty()) {
        const int pitch = lf.pitchAndFamily & 0x03;
        const int family = lf.pitchAndFamily & 0xF0;
        if (pitch == 1)
            face = QStringLiteral("Courier New");
        else if (family == 0x10)
            face = QStringLiteral("Times New Roman");
        else
            face = QStringLiteral("Arial");
    }
    TFontStyles style = 0;
    if (lf.weight >= 600) style |= fsBold;
    if (lf.italic) style |= fsItalic;
    if (lf.underline) style |= fsUnderline;
    if (lf.strikeOut) style |= fsStrikeOut;
    TFont f(face, 10, style);
    if (lf.height != 0) f.setHeight(lf.height);
    f.setEscapement(lf.escapement);
    return f;
}

namespace {

Qt::PenStyle toQtPenStyle(TPenStyle s) {
    switch (s) {
    case TPenStyle::Dash:
        return Qt::DashLine;
    case TPenStyle::Dot:
        return Qt::DotLine;
    case TPenStyle::DashDot:
        return Qt::DashDotLine;
    case TPenStyle::DashDotDot:
        return Qt::DashDotDotLine;
    case TPenStyle::Clear:
        return Qt::NoPen;
    case TPenStyle::Solid:
    case TPenStyle::InsideFrame:
        break;
    }
    return Qt::SolidLine;
}

Qt::BrushStyle toQtBrushStyle(TBrushStyle s) {
    switch (s) {
    case TBrushStyle::Clear:
        return Qt::NoBrush;
    case TBrushStyle::Horizontal:
        return Qt::HorPattern;
    case TBrushStyle::Vertical:
        return Qt::VerPattern;
    case TBrushStyle::FDiagonal:
        return Qt::FDiagPattern;
    case TBrushStyle::BDiagonal:
        return Qt::BDiagPattern;
    case TBrushStyle::Cross:
        return Qt::CrossPattern;
    case TBrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    case TBrushStyle::Solid:
        break;
    }
    return Qt::SolidPattern;
}

constexpr double kPi = 3.14159265358979323846;

// Device pixel size above which text is filled as a path.
constexpr double kLargestCachedGlyph = 256;

// The angle (degrees, counter-clockwise from 3 o'clock) at which the ray
// from the centre of box through p meets the ellipse, as QPainterPath's
// arc functions count it on a non-circular ellipse.
double arcAngle(const QRectF& box, double px, double py) {
    const double rx = box.width() / 2, ry = box.height() / 2;
    const double dx = px - box.center().x(), dy = py - box.center().y();
    if (rx == 0 || ry == 0 || (dx == 0 && dy == 0)) return 0;
    return std::atan2(-dy / ry, dx / rx) * 180.0 / kPi;
}

// Counter-clockwise sweep from start to end; equal points sweep the whole
// ellipse, as Windows does.
double arcSweep(double start, double end) {
    double sweep = std::fmod(end - start, 360.0);
    if (sweep <= 0) sweep += 360.0;
    return sweep;
}

} // namespace

TDrawSurface::TDrawSurface(QPaintDevice* device, QImage* image)
    : device_(device), image_(image), painter_(device) {
    font_ = TFont(QStringLiteral("Arial"), 10);
    brush_ = TBrush{clWhite, TBrushStyle::Solid};
    pen_ = TPen{};
    applyTransform();
    applyPen();
    applyBrush();
}

TDrawSurface::~TDrawSurface() {
    if (painter_.isActive()) painter_.end();
}

void TDrawSurface::applyTransform() {
    const double sx = windowExt_.width() ? double(viewportExt_.width()) / windowExt_.width() : 1.0;
    const double sy =
        windowExt_.height() ? double(viewportExt_.height()) / windowExt_.height() : 1.0;
    painter_.setWorldTransform(QTransform(sx, 0, 0, sy, viewportOrg_.x(), viewportOrg_.y()));
    deviceScale_ = std::max(std::abs(sx), std::abs(sy));
    // Pen widths are logical: a new scale may make them thinner than a pixel.
    if (painter_.isActive()) applyPen();
}

void TDrawSurface::applyPen() {
    QPen p(toQColor(pen_.color));
    p.setStyle(toQtPenStyle(pen_.style));
    // Width 0 is one device pixel whatever the mapping; other widths are
    // logical units and scale with it, but never below one device pixel, so
    // that rules and frames stay visible on a page shown small.
    const bool hairline = pen_.width <= 0 || pen_.width * deviceScale_ < 1.0;
    p.setWidthF(hairline ? 0.0 : double(pen_.width));
    p.setCosmetic(hairline);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(p);
    textPenActive_ = false;
}

void TDrawSurface::applyBrush() {
    painter_.setBrush(QBrush(toQColor(brush_.color), toQtBrushStyle(brush_.style)));
}

void TDrawSurface::SetFont(const TFont& font) {
    font_ = font;
}

void TDrawSurface::SetPen(const TPen& pen) {
    pen_ = pen;
    applyPen();
}

void TDrawSurface::SetBrush(const TBrush& brush) {
    brush_ = brush;
    applyBrush();
}

void TDrawSurface::ensureTextFont() {
    if (textFontValid_ && textFontKey_ == font_) return;
    textFontKey_ = font_;
    textFont_ = toPixelFont(font_);
    textMetrics_.emplace(textFont_);
    textFontValid_ = true;
}

void TDrawSurface::TextOut(int x, int y, const QString& text) {
    if (text.isEmpty()) return;
    // A listing page is mostly text: the font and metrics are made once per
    // font and the painter's state is touched only where it changes.
    ensureTextFont();
    const QFontMetricsF& fm = *textMetrics_;
    const bool opaque = !transparent_ && brush_.style != TBrushStyle::Clear;
    // Very large glyphs on a pixel surface (a deep zoom) go as outlines: the
    // glyph cache fails on them. PDF and printer pages keep real text.
    const bool raster =
        painter_.paintEngine() && painter_.paintEngine()->type() == QPaintEngine::Raster;
    const bool outline = raster && textFont_.pixelSize() * deviceScale_ > kLargestCachedGlyph;
    if (font_.escapement() == 0 && !outline) {
        if (opaque)
            painter_.fillRect(QRectF(x, y, fm.horizontalAdvance(text), fm.height()),
                              toQColor(brush_.color));
        if (painter_.font() != textFont_) painter_.setFont(textFont_);
        const QColor color = toQColor(font_.color());
        if (!textPenActive_ || painter_.pen().color() != color) {
            painter_.setPen(color);
            textPenActive_ = true;
        }
        painter_.drawText(QPointF(x, y + fm.ascent()), text);
        return;
    }
    painter_.save();
    painter_.translate(x, y);
    if (font_.escapement() != 0) painter_.rotate(-font_.escapement() / 10.0);
    if (opaque)
        painter_.fillRect(QRectF(0, 0, fm.horizontalAdvance(text), fm.height()),
                          toQColor(brush_.color));
    if (outline) {
        QPainterPath path;
        path.addText(QPointF(0, fm.ascent()), textFont_, text);
        painter_.fillPath(path, toQColor(font_.color()));
    } else {
        painter_.setFont(textFont_);
        painter_.setPen(toQColor(font_.color()));
        painter_.drawText(QPointF(0, fm.ascent()), text);
    }
    painter_.restore();
}

int TDrawSurface::TextWidth(const QString& text) {
    return textMeasurer().textWidth(font_, text);
}

int TDrawSurface::TextHeight(const QString& text) {
    return textMeasurer().textHeight(font_, text);
}

void TDrawSurface::MoveTo(int x, int y) {
    penPos_ = QPoint(x, y);
}

void TDrawSurface::LineTo(int x, int y) {
    ensureShapePen();
    painter_.drawLine(QPointF(penPos_), QPointF(x, y));
    penPos_ = QPoint(x, y);
}

// The outline of a closed shape lies inside its box: the stroke's centre
// line runs half a pen width in from every edge.
QRectF TDrawSurface::strokeBox(int x1, int y1, int x2, int y2) const {
    double inset = 0;
    if (pen_.style != TPenStyle::Clear)
        inset =
            (pen_.width <= 0 ? 1.0 / qMax(1e-9, painter_.worldTransform().m11()) : pen_.width) / 2;
    QRectF r = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
    if (r.width() > 2 * inset && r.height() > 2 * inset) r.adjust(inset, inset, -inset, -inset);
    return r;
}

void TDrawSurface::drawPath(const QPainterPath& path, bool closed) {
    ensureShapePen();
    if (closed) {
        painter_.drawPath(path);
    } else {
        painter_.save();
        painter_.setBrush(Qt::NoBrush);
        painter_.drawPath(path);
        painter_.restore();
    }
}

void TDrawSurface::Rectangle(int x1, int y1, int x2, int y2) {
    ensureShapePen();
    painter_.drawRect(strokeBox(x1, y1, x2, y2));
}

void TDrawSurface::Ellipse(int x1, int y1, int x2, int y2) {
    ensureShapePen();
    painter_.drawEllipse(strokeBox(x1, y1, x2, y2));
}

void TDrawSurface::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    ensureShapePen();
    painter_.drawRoundedRect(strokeBox(x1, y1, x2, y2), x3 / 2.0, y3 / 2.0);
}

void TDrawSurface::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const QRectF r = strokeBox(x1, y1, x2, y2);
    const double start = arcAngle(r, x3, y3);
    QPainterPath path;
    path.arcMoveTo(r, start);
    path.arcTo(r, start, arcSweep(start, arcAngle(r, x4, y4)));
    drawPath(path, false);
}

void TDrawSurface::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const QRectF r = strokeBox(x1, y1, x2, y2);
    const double start = arcAngle(r, x3, y3);
    QPainterPath path(r.center());
    path.arcTo(r, start, arcSweep(start, arcAngle(r, x4, y4)));
    path.closeSubpath();
    drawPath(path, true);
}

void TDrawSurface::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const QRectF r = strokeBox(x1, y1, x2, y2);
    const double start = arcAngle(r, x3, y3);
    QPainterPath path;
    path.arcMoveTo(r, start);
    path.arcTo(r, start, arcSweep(start, arcAngle(r, x4, y4)));
    path.closeSubpath();
    drawPath(path, true);
}

void TDrawSurface::FillRect(int x1, int y1, int x2, int y2) {
    if (brush_.style == TBrushStyle::Clear) return;
    painter_.fillRect(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(), painter_.brush());
}

void TDrawSurface::FloodFill(int x, int y, TColor border) {
    if (!image_ || image_->isNull() || brush_.style == TBrushStyle::Clear) return;
    const QPointF d = painter_.worldTransform().map(QPointF(x, y));
    const int w = image_->width(), h = image_->height();
    const QRect area = ClipRect().intersected(QRect(0, 0, w, h));
    const int sx = int(std::floor(d.x())), sy = int(std::floor(d.y()));
    if (!area.contains(sx, sy)) return;
    const QImage& img = *image_;
    const QRgb stop = toQColor(border).rgb() & 0xFFFFFF;
    auto isBorder = [&](int px, int py) { return (img.pixel(px, py) & 0xFFFFFF) == stop; };
    if (isBorder(sx, sy)) return;
    // Scan-line fill into a mask, then paint the mask in one go so the
    // painter stays the only writer of the image.
    QImage mask(w, h, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    const QRgb fill = toQColor(brush_.color).rgb() | 0xFF000000u;
    std::vector<std::uint8_t> seen(std::size_t(w) * h, 0);
    std::vector<QPoint> todo{QPoint(sx, sy)};
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        int left = p.x();
        const int row = p.y();
        if (seen[std::size_t(row) * w + left]) continue;
        while (left > area.left() && !seen[std::size_t(row) * w + left - 1] &&
               !isBorder(left - 1, row))
            --left;
        int right = p.x();
        while (right < area.right() && !seen[std::size_t(row) * w + right + 1] &&
               !isBorder(right + 1, row))
            ++right;
        auto* line = reinterpret_cast<QRgb*>(mask.scanLine(row));
        for (int i = left; i <= right; ++i) {
            seen[std::size_t(row) * w + i] = 1;
            line[i] = fill;
        }
        for (int ny : {row - 1, row + 1}) {
            if (ny < area.top() || ny > area.bottom()) continue;
            for (int i = left; i <= right; ++i)
                if (!seen[std::size_t(ny) * w + i] && !isBorder(i, ny)) todo.emplace_back(i, ny);
        }
    }
    painter_.save();
    painter_.resetTransform();
    painter_.drawImage(0, 0, mask);
    painter_.restore();
}

void TDrawSurface::Draw(int x, int y, const QImage& picture) {
    painter_.drawImage(QRectF(x, y, picture.width(), picture.height()), picture);
}

void TDrawSurface::StretchDraw(int x1, int y1, int x2, int y2, const QImage& picture) {
    painter_.drawImage(QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized(), picture);
}

void TDrawSurface::StretchDIBits(int x, int y, int width, int height, const QImage& picture,
                                 const QRect& source) {
    // Source copy: made opaque first, the picture replaces what is below.
    painter_.drawImage(QRectF(x, y, width, height), picture.convertToFormat(QImage::Format_RGB32),
                       QRectF(source));
}

QRect TDrawSurface::ClipRect() const {
    if (clip_.isValid()) return clip_;
    return QRect(0, 0, device_->width(), device_->height());
}

void TDrawSurface::SetClipRect(const QRect& rect) {
    clip_ = rect.isValid() ? rect : QRect();
    painter_.resetTransform();
    if (clip_.isValid())
        painter_.setClipRect(clip_);
    else
        painter_.setClipping(false);
    applyTransform();
}

void TDrawSurface::NewPage() {
    SetClipRect(clip_);
    applyPen();
    applyBrush();
}

void TDrawSurface::SetWindowExt(int width, int height) {
    windowExt_ = QSize(width, height);
    applyTransform();
}

void TDrawSurface::SetViewportExt(int width, int height) {
    viewportExt_ = QSize(width, height);
    applyTransform();
}

void TDrawSurface::SetViewportOrg(int x, int y) {
    viewportOrg_ = QPoint(x, y);
    applyTransform();
}

void TDrawSurface::ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    auto scaled = [](int ext, int num, int denom) {
        const long long v = static_cast<long long>(ext) * num / denom;
        return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
    };
    viewportExt_ = QSize(scaled(viewportExt_.width(), xNum, xDenom),
                         scaled(viewportExt_.height(), yNum, yDenom));
    applyTransform();
}

int TDrawSurface::GetDeviceCaps(TDeviceCap cap) const {
    const int dpiX = qMax(1, device_->logicalDpiX());
    const int dpiY = qMax(1, device_->logicalDpiY());
    switch (cap) {
    case dcLogPixelsX:
        return dpiX;
    case dcLogPixelsY:
        return dpiY;
    // Relative width and height of a pixel, 36 each when pixels are square
    // (what Windows reports for the screen).
    case dcAspectX:
        return int(std::lrint(36.0 * dpiY / dpiX));
    case dcAspectY:
        return int(std::lrint(36.0 * dpiX / dpiY));
    }
    return 0;
}
