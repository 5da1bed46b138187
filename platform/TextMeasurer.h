#pragma once
// Width and height of text in a font, in pixels at 96 dpi: what the layout
// measures lines with. The process-wide measurer can be swapped so that
// layout tests run on deterministic metrics.
#include "platform/Font.h"

#include <QString>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

class QFont;

// The Qt font that draws and measures font: sized in pixels, a negative
// height being the character (em) height and a positive one the cell
// height (em plus internal leading), as Windows fonts are sized.
QFont toPixelFont(const TFont& font);

class ITextMeasurer {
public:
    virtual ~ITextMeasurer() = default;
    virtual int textWidth(const TFont& font, QStringView text) = 0;
    virtual int textHeight(const TFont& font, QStringView text) = 0;
    // widths[i] = textWidth of the first i characters, for i = 0..size: what
    // finding a wrap position needs, in one pass where the measurer allows.
    virtual void prefixWidths(const TFont& font, QStringView text, std::vector<int>& widths);
};

// Real font metrics (Qt, fonts applied by pixel size). Each font gets a
// table of unrounded character advances on first use; a width is the sum
// of those advances rounded once, so long lines do not drift. Kerning is
// not applied.
class TQtTextMeasurer : public ITextMeasurer {
public:
    TQtTextMeasurer();
    ~TQtTextMeasurer() override;
    int textWidth(const TFont& font, QStringView text) override;
    // The font's line height (ascent + descent); the text does not matter.
    int textHeight(const TFont& font, QStringView text) override;
    void prefixWidths(const TFont& font, QStringView text, std::vector<int>& widths) override;

private:
    struct Metrics;
    struct Key {
        QString name;
        int height = 0;
        unsigned style = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };
    Metrics& metricsFor(const TFont& font);

    std::unordered_map<Key, std::unique_ptr<Metrics>, KeyHash> cache_;
    Key lastKey_;
    Metrics* last_ = nullptr;
};

// Deterministic metrics for layout tests: with p the font's pixel size,
// every character advances p * advanceNum / advanceDenom pixels (the sum is
// rounded once, halves to even) and every text is p + extraHeight high.
// The defaults (3/5, +2) give 13-pixel text 7.8 pixels per character and a
// height of 15, close to "Arial" at 10 points.
class TFixedMeasurer : public ITextMeasurer {
public:
    explicit TFixedMeasurer(int advanceNum = 3, int advanceDenom = 5, int extraHeight = 2)
        : num_(advanceNum), denom_(advanceDenom), extra_(extraHeight) {}
    int textWidth(const TFont& font, QStringView text) override;
    int textHeight(const TFont& font, QStringView text) override;
    void prefixWidths(const TFont& font, QStringView text, std::vector<int>& widths) override;

private:
    int num_;
    int denom_;
    int extra_;
};

// The current measurer: a TQtTextMeasurer unless one was installed.
ITextMeasurer& textMeasurer();
// Installs a measurer (not owned); nullptr restores the default.
void setTextMeasurer(ITextMeasurer* measurer);
