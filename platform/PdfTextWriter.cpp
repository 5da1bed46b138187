#include "platform/PdfTextWriter.h"

#include "platform/Colour.h"
#include "platform/Cp1252.h"
#include "platform/TextMeasurer.h"

#include <QColor>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

// QPdfWriter's device at the resolution pages are written in: the surface
// reports it so that playback maps a page exactly as onto a PDF page.
constexpr double kDeviceDpi = 600;
constexpr double kPointsPerDevicePixel = 72.0 / kDeviceDpi;

void appendNumber(QByteArray& out, double value) {
    // Four decimals, as a point is far coarser than that; no trailing zeros.
    const double rounded = std::round(value * 10000) / 10000;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded == 0 ? 0.0 : rounded,
                                      std::chars_format::fixed);
    out.append(buffer, result.ptr - buffer);
}

void appendNumbers(QByteArray& out, std::initializer_list<double> values, const char* op) {
    for (const double v : values) {
        appendNumber(out, v);
        out.append(' ');
    }
    out.append(op);
    out.append('\n');
}

void appendColour(QByteArray& out, TColor colour, const char* op) {
    const QColor c = toQColor(colour);
    appendNumbers(out, {c.redF(), c.greenF(), c.blueF()}, op);
}

// The standard font that draws the font: one metrically matching family in
// its style, or nothing.
std::optional<QByteArray> standardFont(const TFont& font) {
    const QString family = font.name().toLower();
    static const QHash<QString, int> families = {
        {QStringLiteral("arial"), 0},           {QStringLiteral("helvetica"), 0},
        {QStringLiteral("liberation sans"), 0}, {QStringLiteral("times new roman"), 1},
        {QStringLiteral("times"), 1},           {QStringLiteral("liberation serif"), 1},
        {QStringLiteral("courier new"), 2},     {QStringLiteral("courier"), 2},
        {QStringLiteral("liberation mono"), 2}};
    static const char* const names[3][4] = {
        {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique"},
        {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic"},
        {"Courier", "Courier-Bold", "Courier-Oblique", "Courier-BoldOblique"}};
    const auto it = families.constFind(family);
    if (it == families.cend()) return std::nullopt;
    return QByteArray(names[*it][(font.bold() ? 1 : 0) + (font.italic() ? 2 : 0)]);
}

} // namespace

std::optional<QByteArray> PdfWinAnsiString(QStringView text) {
    QByteArray out;
    out.reserve(text.size() + 2);
    out.append('(');
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        char byte = 0;
        if ((u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF)) {
            byte = char(u);
        } else {
            const char16_t* high = std::find(std::begin(kCp1252High), std::end(kCp1252High), u);
            // The table's undefined places hold C1 controls, no characters.
            if (high == std::end(kCp1252High) || (u >= 0x80 && u < 0xA0)) return std::nullopt;
            byte = char(0x80 + (high - std::begin(kCp1252High)));
        }
        if (byte == '(' || byte == ')' || byte == '\\') out.append('\\');
        out.append(byte);
    }
    out.append(')');
    return out;
}

void TPdfTextSurface::BeginPage(double widthPoints, double heightPoints) {
    deviceSize_ = QSize(int(std::lround(widthPoints / kPointsPerDevicePixel)),
                        int(std::lround(heightPoints / kPointsPerDevicePixel)));
    content_.clear();
    // Device pixels from the top left, as the mapping expects them.
    appendNumbers(content_, {kPointsPerDevicePixel, 0, 0, -kPointsPerDevicePixel, 0, heightPoints},
                  "cm");
    mappingWritten_ = mappingOpen_ = false;
    strokeColour_ = fillColour_ = -1;
    lineWidth_ = -1;
}

QByteArray TPdfTextSurface::FinishPage() {
    if (mappingOpen_) content_.append("Q\n");
    mappingOpen_ = false;
    return std::exchange(content_, QByteArray());
}

void TPdfTextSurface::SetWindowExt(int width, int height) {
    windowExt_ = QSize(width, height);
    mappingWritten_ = false;
}

void TPdfTextSurface::SetViewportExt(int width, int height) {
    viewportExt_ = QSize(width, height);
    mappingWritten_ = false;
}

void TPdfTextSurface::SetViewportOrg(int x, int y) {
    viewportOrg_ = QPoint(x, y);
    mappingWritten_ = false;
}

void TPdfTextSurface::ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom) {
    if (xDenom == 0 || yDenom == 0) return;
    SetViewportExt(int(qint64(viewportExt_.width()) * xNum / xDenom),
                   int(qint64(viewportExt_.height()) * yNum / yDenom));
}

int TPdfTextSurface::GetDeviceCaps(TDeviceCap cap) const {
    switch (cap) {
    case dcLogPixelsX:
    case dcLogPixelsY:
        return int(kDeviceDpi);
    case dcAspectX:
    case dcAspectY:
        return 36;
    }
    return 0;
}

void TPdfTextSurface::applyMapping() {
    if (mappingWritten_) return;
    // Each mapping is a state of its own: the page's device mapping below
    // it stays, and the colours and widths set under the last one go.
    if (mappingOpen_) content_.append("Q\n");
    content_.append("q\n");
    mappingOpen_ = true;
    const double sx = windowExt_.width() ? double(viewportExt_.width()) / windowExt_.width() : 1;
    const double sy = windowExt_.height() ? double(viewportExt_.height()) / windowExt_.height() : 1;
    appendNumbers(content_, {sx, 0, 0, sy, double(viewportOrg_.x()), double(viewportOrg_.y())},
                  "cm");
    content_.append("0 J 0 j\n");
    deviceScale_ = std::max(std::abs(sx), std::abs(sy));
    mappingWritten_ = true;
    strokeColour_ = fillColour_ = -1;
    lineWidth_ = -1;
}

const TPdfTextSurface::TPlacedFont* TPdfTextSurface::placedFont() {
    if (placedKey_ && *placedKey_ == font_) return &*placed_;
    const std::optional<QByteArray> name = standardFont(font_);
    if (!name || font_.underline() || font_.strikeOut() || font_.escapement() != 0) return nullptr;
    int& resource = fontResources_[*name];
    if (resource == 0) {
        fonts_.push_back(*name);
        resource = int(fonts_.size());
    }
    // The size and baseline QPdfWriter would give the text: those of the
    // font as the painter surface makes it.
    const QFont pixelFont = toPixelFont(font_);
    placed_.emplace(TPlacedFont{resource, pixelFont.pixelSize(), QFontMetricsF(pixelFont)});
    placedKey_ = font_;
    return &*placed_;
}

void TPdfTextSurface::TextOut(int x, int y, const QString& text) {
    if (text.isEmpty() || unsupported_) return;
    const TPlacedFont* font = placedFont();
    const bool opaque = !transparent_ && brush_.style != TBrushStyle::Clear;
    const std::optional<QByteArray> string = PdfWinAnsiString(text);
    if (!font || opaque || !string) {
        unsupported_ = true;
        return;
    }
    applyMapping();
    if (fillColour_ != qint64(font_.color())) {
        appendColour(content_, font_.color(), "rg");
        fillColour_ = font_.color();
    }
    content_.append("BT /F" + QByteArray::number(font->resource) + ' ' +
                    QByteArray::number(font->pixelSize) + " Tf ");
    appendNumbers(content_, {1, 0, 0, -1, double(x), y + font->metrics.ascent()}, "Tm");
    content_.append(*string);
    content_.append(" Tj ET\n");
}

int TPdfTextSurface::TextWidth(const QString& text) {
    const TPlacedFont* font = placedFont();
    return font ? int(std::lround(font->metrics.horizontalAdvance(text))) : 0;
}

int TPdfTextSurface::TextHeight(const QString&) {
    const TPlacedFont* font = placedFont();
    return font ? int(std::lround(font->metrics.height())) : 0;
}

void TPdfTextSurface::LineTo(int x, int y) {
    const QPoint from = penPos_;
    penPos_ = QPoint(x, y);
    if (unsupported_ || pen_.style == TPenStyle::Clear) return;
    if (pen_.style != TPenStyle::Solid && pen_.style != TPenStyle::InsideFrame) {
        unsupported_ = true;
        return;
    }
    applyMapping();
    // As the painter surface strokes: logical widths, but never thinner
    // than a device pixel (0: the thinnest line the device draws).
    const double width =
        pen_.width <= 0 || pen_.width * deviceScale_ < 1.0 ? 0.0 : double(pen_.width);
    if (lineWidth_ != width) {
        appendNumbers(content_, {width}, "w");
        lineWidth_ = width;
    }
    if (strokeColour_ != qint64(pen_.color)) {
        appendColour(content_, pen_.color, "RG");
        strokeColour_ = pen_.color;
    }
    appendNumbers(content_, {double(from.x()), double(from.y())}, "m");
    appendNumbers(content_, {double(x), double(y)}, "l S");
}

void TPdfTextDocument::BeginPage(double widthPoints, double heightPoints) {
    endPage();
    surface_.BeginPage(widthPoints, heightPoints);
    pages_.push_back({widthPoints, heightPoints, {}});
    open_ = true;
}

void TPdfTextDocument::endPage() {
    if (!open_) return;
    // qCompress puts a length of its own before the zlib data.
    pages_.back().content = qCompress(surface_.FinishPage(), 6).mid(4);
    open_ = false;
}

QByteArray TPdfTextDocument::Finish() {
    endPage();
    if (surface_.Unsupported() || pages_.empty()) return {};
    // Objects: 1 catalog, 2 page tree, 3 resources, the fonts, then each
    // page and its content.
    const int fontCount = int(surface_.Fonts().size());
    const int firstPage = 4 + fontCount;
    const int objectCount = firstPage - 1 + 2 * int(pages_.size());
    QByteArray out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<qsizetype> offsets;
    auto begin = [&](int number) {
        offsets.push_back(out.size());
        out.append(QByteArray::number(number) + " 0 obj\n");
    };
    auto ref = [](int number) { return QByteArray::number(number) + " 0 R"; };

    begin(1);
    out.append("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    begin(2);
    out.append("<< /Type /Pages /Kids [");
    for (std::size_t i = 0; i < pages_.size(); ++i)
        out.append((i ? " " : "") + ref(firstPage + 2 * int(i)));
    out.append("] /Count " + QByteArray::number(qsizetype(pages_.size())) + " >>\nendobj\n");
    begin(3);
    out.append("<< /ProcSet [/PDF /Text] /Font <<");
    for (int f = 0; f < fontCount; ++f)
        out.append(" /F" + QByteArray::number(f + 1) + ' ' + ref(4 + f));
    out.append(" >> >>\nendobj\n");
    for (int f = 0; f < fontCount; ++f) {
        begin(4 + f);
        out.append("<< /Type /Font /Subtype /Type1 /BaseFont /" + surface_.Fonts()[std::size_t(f)] +
                   " /Encoding /WinAnsiEncoding >>\nendobj\n");
    }
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        const TPage& page = pages_[i];
        const int number = firstPage + 2 * int(i);
        begin(number);
        out.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ");
        appendNumbers(out, {page.width, page.height}, "] /Resources 3 0 R /Contents ");
        out.chop(1);
        out.append(ref(number + 1) + " >>\nendobj\n");
        begin(number + 1);
        out.append("<< /Filter /FlateDecode /Length " + QByteArray::number(page.content.size()) +
                   " >>\nstream\n" + page.content + "\nendstream\nendobj\n");
    }
    const qsizetype xref = out.size();
    out.append("xref\n0 " + QByteArray::number(objectCount + 1) + "\n0000000000 65535 f \n");
    for (const qsizetype offset : offsets)
        out.append(QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n");
    out.append("trailer\n<< /Size " + QByteArray::number(objectCount + 1) +
               " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    return out;
}
