#include "platform/TextMeasurer.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>

#include <cmath>

namespace {

QFont toPixelFont(const TFont& font) {
    QFont f(font.name());
    f.setPixelSize(qMax(1, font.pixelSize()));
    f.setBold(font.bold());
    f.setItalic(font.italic());
    f.setUnderline(font.underline());
    f.setStrikeOut(font.strikeOut());
    return f;
}

// Underline and strike-out do not change advances.
constexpr unsigned kShapeStyles = fsBold | fsItalic;

} // namespace

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
    return qHash(k.name) ^ (std::size_t(k.pixelSize) << 4) ^ k.style;
}

TQtTextMeasurer::Metrics& TQtTextMeasurer::metricsFor(const TFont& font) {
    // Layout measures many pieces in the same font in a row: check the last
    // font first without building a key.
    const unsigned style = font.style() & kShapeStyles;
    if (last_ && font.pixelSize() == lastKey_.pixelSize && style == lastKey_.style &&
        font.name() == lastKey_.name)
        return *last_;
    Key key{font.name(), font.pixelSize(), style};
    auto it = cache_.find(key);
    if (it == cache_.end())
        it = cache_.emplace(key, std::make_unique<Metrics>(toPixelFont(font))).first;
    lastKey_ = std::move(key);
    last_ = it->second.get();
    return *last_;
}

int TQtTextMeasurer::textWidth(const TFont& font, const QString& text) {
    if (text.isEmpty()) return 0;
    Metrics& m = metricsFor(font);
    double sum = 0;
    for (QChar ch : text)
        sum += m.advance(ch.unicode());
    return static_cast<int>(std::lrint(sum));
}

int TQtTextMeasurer::textHeight(const TFont& font, const QString&) {
    return metricsFor(font).height;
}

int TFixedMeasurer::textWidth(const TFont& font, const QString& text) {
    const double w = double(text.size()) * font.pixelSize() * num_ / denom_;
    return static_cast<int>(std::lrint(w));
}

int TFixedMeasurer::textHeight(const TFont& font, const QString&) {
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
