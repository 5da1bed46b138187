#include "platform/TextMeasurer.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>

#include <cmath>

namespace {

// Underline and strike-out do not change advances.
constexpr unsigned kShapeStyles = fsBold | fsItalic;
// Far beyond any font size the settings allow; keeps a damaged size from
// asking the font engine for glyphs of absurd size.
constexpr int kMaxPixelSize = 4096;

} // namespace

QFont toPixelFont(const TFont& font) {
    QFont f(font.name());
    f.setPixelSize(qBound(1, font.pixelSize(), kMaxPixelSize));
    f.setBold(font.bold());
    f.setItalic(font.italic());
    f.setUnderline(font.underline());
    f.setStrikeOut(font.strikeOut());
    if (font.height() > 0) {
        const double cell = QFontMetricsF(f).height();
        if (cell > 0)
            f.setPixelSize(int(qBound(1.0, std::round(double(font.height()) * font.height() / cell),
                                      double(kMaxPixelSize))));
    }
    return f;
}

struct TQtTextMeasurer::Metrics {
    explicit Metrics(const QFont& f) : metrics(f) {
        const QFontMetrics whole(f);
        height = whole.height();
        for (int c = 0; c < 256; ++c)
            latin1[c] = metrics.horizontalAdvance(QChar(c));
    }

    double advance(char16_t c) {
        if (c < 256) return latin1[c];
        auto it = other.constFind(c);
        if (it != other.cend()) return *it;
        const double a = metrics.horizontalAdvance(QChar(c));
        other.insert(c, a);
        return a;
    }

    QFontMetricsF metrics;
    int height = 0;
    std::array<double, 256> latin1{};
    QHash<char16_t, double> other;
};

TQtTextMeasurer::TQtTextMeasurer() = default;
TQtTextMeasurer::~TQtTextMeasurer() = default;

std::size_t TQtTextMeasurer::KeyHash::operator()(const Key& k) const {
    return qHash(k.name) ^ (std::size_t(k.height) << 4) ^ k.style;
}

TQtTextMeasurer::Metrics& TQtTextMeasurer::metricsFor(const TFont& font) {
    // Layout measures many pieces in the same font in a row: check the last
    // font first without building a key.
    const unsigned style = font.style() & kShapeStyles;
    if (last_ && font.height() == lastKey_.height && style == lastKey_.style &&
        font.name() == lastKey_.name)
        return *last_;
    Key key{font.name(), font.height(), style};
    auto it = cache_.find(key);
    if (it == cache_.end())
        it = cache_.emplace(key, std::make_unique<Metrics>(toPixelFont(font))).first;
    lastKey_ = std::move(key);
    last_ = it->second.get();
    return *last_;
}

int TQtTextMeasurer::textWidth(const TFont& font, QStringView text) {
    if (text.isEmpty()) return 0;
    Metrics& m = metricsFor(font);
    double sum = 0;
    for (QChar ch : text)
        sum += m.advance(ch.unicode());
    return static_cast<int>(std::lrint(sum));
}

void TQtTextMeasurer::prefixWidths(const TFont& font, QStringView text, std::vector<int>& widths) {
    widths.assign(std::size_t(text.size()) + 1, 0);
    if (text.isEmpty()) return;
    Metrics& m = metricsFor(font);
    double sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        sum += m.advance(text[i].unicode());
        widths[std::size_t(i) + 1] = static_cast<int>(std::lrint(sum));
    }
}

int TQtTextMeasurer::textHeight(const TFont& font, QStringView) {
    return metricsFor(font).height;
}

int TFixedMeasurer::textWidth(const TFont& font, QStringView text) {
    const double w = double(text.size()) * font.pixelSize() * num_ / denom_;
    return static_cast<int>(std::lrint(w));
}

void TFixedMeasurer::prefixWidths(const TFont& font, QStringView text, std::vector<int>& widths) {
    widths.assign(std::size_t(text.size()) + 1, 0);
    for (qsizetype i = 1; i <= text.size(); ++i)
        widths[std::size_t(i)] =
            static_cast<int>(std::lrint(double(i) * font.pixelSize() * num_ / denom_));
}

void ITextMeasurer::prefixWidths(const TFont& font, QStringView text, std::vector<int>& widths) {
    widths.assign(std::size_t(text.size()) + 1, 0);
    for (qsizetype i = 1; i <= text.size(); ++i)
        widths[std::size_t(i)] = textWidth(font, text.left(i));
}

int TFixedMeasurer::textHeight(const TFont& font, QStringView) {
    return font.pixelSize() + extra_;
}

namespace {
ITextMeasurer* g_measurer = nullptr;
} // namespace

ITextMeasurer& textMeasurer() {
    if (g_measurer) return *g_measurer;
    static TQtTextMeasurer standard;
    return standard;
}

void setTextMeasurer(ITextMeasurer* measurer) {
    g_measurer = measurer;
}
