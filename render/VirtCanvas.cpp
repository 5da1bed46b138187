#include "render/VirtCanvas.h"

#include "platform/DrawSurface.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Progress.h"
#include "platform/TextMeasurer.h"
#include "render/IndicatorPictures.h"
#include "settings/FontRegistry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

int roundEven(double v) {
    return static_cast<int>(std::lrint(v));
}

// Round, halves to even, into the int range: watermark geometry comes from
// page margins in the settings file and may be anything.
int roundClamped(double v) {
    if (!(v > -2147483648.0)) // also NaN
        return std::numeric_limits<int>::min();
    if (v >= 2147483647.0) return std::numeric_limits<int>::max();
    return static_cast<int>(std::lrint(v));
}

// The constant the watermark geometry has always used; changing it would
// move every watermark on existing printouts.
constexpr double kWatermarkPi = 3.14;

QString withMessage(const char* text, const std::exception& e) {
    return QString::fromLatin1(text) + QLatin1Char('\n') + QString::fromLocal8Bit(e.what());
}

} // namespace

void TVirtCanvas::InitPage(int width, int height, const TFont* font, const TPen* pen,
                           const TBrush* brush) {
    pageWidth_ = width;
    pageHeight_ = height;
    font_ = font ? *font : TFont(QStringLiteral("Arial"), 10);
    brush_ = brush ? *brush : TBrush{clBlack, TBrushStyle::Solid};
    pen_ = pen ? *pen : TPen{clBlack, TPenStyle::Solid, 1};
    recordedFontHeight_ = font_.height();
}

void TVirtCanvas::ClearCommands() {
    commands_.clear();
    texts_.clear();
    extras_.clear();
    fonts_.clear();
    pens_.clear();
    brushes_.clear();
}

void TVirtCanvas::FinishRecording() {
    // Brackets are drawn onto the pages once the listing is laid out:
    // room for some of them saves moving the page's commands then.
    commands_.trim(commands_.size() / 4 + 16);
    texts_.trim(0);
}

void TVirtCanvas::ReserveLike(const TVirtCanvas& other) {
    // An eighth more, as the next page may hold a little more.
    auto ahead = [](std::size_t n) { return n + n / 8 + 16; };
    commands_.reserve(ahead(other.commands_.size()));
    texts_.reserve(ahead(other.texts_.size()));
}

// A page of a listing holds some hundreds of commands and some thousands
// of characters: room for them at once saves growing step by step.
constexpr std::size_t kCommandsAhead = 512;
constexpr std::size_t kTextAhead = 8192;

void TVirtCanvas::setText(TStoredCommand& c, std::initializer_list<QStringView> pieces) {
    // A null text stays null: readers tell it from an empty one.
    if (pieces.size() == 1 && pieces.begin()->isNull()) return;
    std::size_t size = 0;
    for (QStringView p : pieces)
        size += std::size_t(p.size());
    if (texts_.capacity() == 0) texts_.reserve(std::max(kTextAhead, size));
    c.TextAt = std::uint32_t(texts_.size());
    c.TextSize = std::uint32_t(size);
    for (QStringView p : pieces)
        texts_.append(p.utf16(), std::size_t(p.size()));
}

void TVirtCanvas::setExtras(TStoredCommand& c, int x3, int x4, int y3, int y4) {
    c.Word = std::int32_t(extras_.size());
    extras_.push_back({x3, x4, y3, y4});
}

void TVirtCanvas::append(const TStoredCommand& c) {
    try {
        if (commands_.capacity() == 0) commands_.reserve(kCommandsAhead);
        commands_.push_back(c);
    } catch (const std::bad_alloc& e) {
        showError(withMessage("Error allocating VCanvas Memory.", e) +
                  QStringLiteral("\nClosing Application"));
    }
}

void TVirtCanvas::TextOut(int x, int y, QStringView text) {
    TStoredCommand c;
    c.Kind = ckTextOut;
    c.X1 = x;
    c.Y1 = y;
    setText(c, {text});
    append(c);
}

void TVirtCanvas::TextOutInFont(int x, int y, QStringView fontName, QStringView text) {
    TStoredCommand c;
    c.Kind = ckTextOutInFont;
    c.X1 = x;
    c.Y1 = y;
    setText(c, {fontName, kFontTextSeparator, text});
    append(c);
}

void TVirtCanvas::MoveTo(int x, int y) {
    TStoredCommand c;
    c.Kind = ckMoveTo;
    c.X1 = x;
    c.Y1 = y;
    append(c);
}

void TVirtCanvas::LineTo(int x, int y) {
    TStoredCommand c;
    c.Kind = ckLineTo;
    c.X1 = x;
    c.Y1 = y;
    append(c);
}

void TVirtCanvas::appendBox(int kind, int x1, int y1, int x2, int y2) {
    TStoredCommand c;
    c.Kind = kind;
    c.X1 = x1;
    c.X2 = x2;
    c.Y1 = y1;
    c.Y2 = y2;
    append(c);
}

void TVirtCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    appendBox(ckRectangle, x1, y1, x2, y2);
}

void TVirtCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    appendBox(ckEllipse, x1, y1, x2, y2);
}

void TVirtCanvas::FillRect(int x1, int y1, int x2, int y2) {
    appendBox(ckFillRect, x1, y1, x2, y2);
}

void TVirtCanvas::DrawPicture(int x, int y, int pictureIndex) {
    TStoredCommand c;
    c.Kind = ckDrawPicture;
    c.X1 = x;
    c.Y1 = y;
    c.Y2 = pictureIndex;
    append(c);
}

void TVirtCanvas::StretchPicture(int left, int top, int right, int bottom, int pictureIndex) {
    TStoredCommand c;
    c.Kind = ckStretchPicture;
    c.X1 = left;
    c.Y1 = top;
    setExtras(c, right, 0, bottom, 0);
    const QString number = QString::number(pictureIndex);
    setText(c, {number});
    append(c);
}

void TVirtCanvas::SetFont(const TFont* font) {
    if (!font) return;
    const TFont copy = *font; // font may be our own current font
    fonts_.push_back(copy);
    TStoredCommand c;
    c.Kind = ckSetFont;
    c.X1 = copy.height();
    c.X2 = -1;
    c.Word = static_cast<std::int32_t>(fonts_.size() - 1);
    append(c);
    font_ = copy;
    recordedFontHeight_ = copy.height();
}

void TVirtCanvas::SetPen(const TPen* pen) {
    if (!pen) return;
    pens_.push_back(*pen);
    TStoredCommand c;
    c.Kind = ckSetPen;
    c.Word = static_cast<std::int32_t>(pens_.size() - 1);
    append(c);
    pen_ = *pen;
}

void TVirtCanvas::SetBrush(const TBrush* brush) {
    if (!brush) return;
    brushes_.push_back(*brush);
    TStoredCommand c;
    c.Kind = ckSetBrush;
    c.Word = static_cast<std::int32_t>(brushes_.size() - 1);
    append(c);
    brush_ = *brush;
}

void TVirtCanvas::SetBrushColor(TColor color) {
    TStoredCommand c;
    c.Kind = ckBrushColor;
    c.Word = std::int32_t(color);
    append(c);
}

void TVirtCanvas::SetPenColor(TColor color) {
    TStoredCommand c;
    c.Kind = ckPenColor;
    c.Word = std::int32_t(color);
    append(c);
}

void TVirtCanvas::SetTransparent() {
    TStoredCommand c;
    c.Kind = ckTransparent;
    append(c);
}

void TVirtCanvas::SetOpaque() {
    TStoredCommand c;
    c.Kind = ckOpaque;
    append(c);
}

void TVirtCanvas::Watermark(const QString& text, int width, int height, int left, int top) {
    TStoredCommand c;
    c.Kind = ckWatermark;
    c.X1 = width;
    c.X2 = left;
    c.Y1 = height;
    c.Y2 = top;
    setText(c, {text});
    append(c);
}

void TVirtCanvas::SetFontHeight(int height) {
    font_.setHeight(height);
    SetFont(&font_);
}

void TVirtCanvas::appendArcLike(int kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                                int y4) {
    TStoredCommand c;
    c.Kind = kind;
    c.X1 = x1;
    c.X2 = x2;
    c.Y1 = y1;
    c.Y2 = y2;
    setExtras(c, x3, x4, y3, y4);
    append(c);
}

void TVirtCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    appendArcLike(ckArc, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TVirtCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    appendArcLike(ckPie, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TVirtCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    appendArcLike(ckChord, x1, y1, x2, y2, x3, y3, x4, y4);
}

void TVirtCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    TStoredCommand c;
    c.Kind = ckRoundRect;
    c.X1 = x1;
    c.X2 = x2;
    c.Y1 = y1;
    c.Y2 = y2;
    setExtras(c, x3, 0, y3, 0);
    append(c);
}

void TVirtCanvas::SetPenPos(int x, int y) {
    TStoredCommand c;
    c.Kind = ckSetPenPos;
    c.X1 = x;
    c.Y1 = y;
    append(c);
}

void TVirtCanvas::FloodFill(int x, int y, TColor border) {
    TStoredCommand c;
    c.Kind = ckFloodFill;
    c.X1 = x;
    c.Y1 = y;
    c.Word = std::int32_t(border);
    append(c);
}

int TVirtCanvas::TextWidth(QStringView text) const {
    return textMeasurer().textWidth(font_, text);
}

int TVirtCanvas::TextHeight(QStringView text) const {
    return textMeasurer().textHeight(font_, text);
}

int TVirtCanvas::TextWidthInFont(QStringView text, const QString& fontName) const {
    const TFont* f = fontregistry::find(fontName);
    return textMeasurer().textWidth(f ? *f : font_, text);
}

void TVirtCanvas::PrefixWidths(QStringView text, std::vector<int>& widths) const {
    textMeasurer().prefixWidths(font_, text, widths);
}

void TVirtCanvas::PrefixWidthsInFont(QStringView text, const QString& fontName,
                                     std::vector<int>& widths) const {
    const TFont* f = fontregistry::find(fontName);
    textMeasurer().prefixWidths(f ? *f : font_, text, widths);
}

TFont DrawnFont(const TFont& font) {
    TFont drawn = font;
    if (drawn.size() > 1) drawn.setSize(drawn.size() - 1);
    return drawn;
}

int TVirtCanvas::DrawnTextWidthInFont(QStringView text, const QString& fontName) const {
    const TFont* f = fontregistry::find(fontName);
    return textMeasurer().textWidth(DrawnFont(f ? *f : font_), text);
}

void TVirtCanvas::DrawnPrefixWidthsInFont(QStringView text, const QString& fontName,
                                          std::vector<int>& widths) const {
    const TFont* f = fontregistry::find(fontName);
    textMeasurer().prefixWidths(DrawnFont(f ? *f : font_), text, widths);
}

int TVirtCanvas::TextHeightInFont(QStringView text, const QString& fontName) const {
    const TFont* f = fontregistry::find(fontName);
    return textMeasurer().textHeight(f ? *f : font_, text);
}

const TFont* TVirtCanvas::fontOf(std::int32_t kind, std::int32_t object) const {
    if (kind != ckSetFont || object < 0 || std::size_t(object) >= fonts_.size()) return nullptr;
    return &fonts_[std::size_t(object)];
}

const TPen* TVirtCanvas::penOf(std::int32_t kind, std::int32_t object) const {
    if (kind != ckSetPen || object < 0 || std::size_t(object) >= pens_.size()) return nullptr;
    return &pens_[std::size_t(object)];
}

const TBrush* TVirtCanvas::brushOf(std::int32_t kind, std::int32_t object) const {
    if (kind != ckSetBrush || object < 0 || std::size_t(object) >= brushes_.size()) return nullptr;
    return &brushes_[std::size_t(object)];
}

const TFont* TVirtCanvas::CommandFont(const TCanvasCommand& c) const {
    return fontOf(c.Kind, c.Object);
}

const TPen* TVirtCanvas::CommandPen(const TCanvasCommand& c) const {
    return penOf(c.Kind, c.Object);
}

const TBrush* TVirtCanvas::CommandBrush(const TCanvasCommand& c) const {
    return brushOf(c.Kind, c.Object);
}

std::size_t TCommandList::size() const {
    return std::size_t(canvas_->CommandCount());
}

TCanvasCommand TVirtCanvas::CommandFields(std::size_t i) const {
    const TStoredCommand& s = commands_[i];
    TCanvasCommand c;
    c.Kind = s.Kind;
    c.X1 = s.X1;
    c.X2 = s.X2;
    c.Y1 = s.Y1;
    c.Y2 = s.Y2;
    switch (s.Kind) {
    case ckSetFont:
    case ckSetPen:
    case ckSetBrush:
        c.Object = s.Word;
        break;
    case ckBrushColor:
    case ckPenColor:
    case ckFloodFill:
        c.Value = std::uint32_t(s.Word);
        break;
    case ckArc:
    case ckPie:
    case ckChord:
    case ckRoundRect:
    case ckStretchPicture:
        if (s.Word >= 0 && std::size_t(s.Word) < extras_.size()) {
            const auto& e = extras_[std::size_t(s.Word)];
            c.X3 = e[0];
            c.X4 = e[1];
            c.Y3 = e[2];
            c.Y4 = e[3];
        }
        break;
    default:
        break;
    }
    return c;
}

TCanvasCommand TCommandList::operator[](std::size_t i) const {
    TCanvasCommand c = canvas_->CommandFields(i);
    const TStoredCommand& s = canvas_->StoredCommand(i);
    if (s.TextAt != TStoredCommand::kNoText)
        c.Text = s.TextSize == 0 ? QStringLiteral("") : canvas_->CommandText(s).toString();
    return c;
}

// Playback maps the whole logical page onto the device rectangle (the
// target's clip rectangle, or for the printer the stored PlayRect): on
// screen and in files filling it, on the printer in the page's own
// proportions, centred; fonts are logical too, so one recording serves every
// zoom and every printer resolution. The canvas's current font, pen and
// brush are not reset first: a list that starts with its own selections
// draws the same every time.
void TVirtCanvas::PlayBack(IDrawSurface& target, bool scale, int multX, int multY, bool printing,
                           int aspectX, int aspectY, IGauge* gauge, IProgress* progress,
                           TPlayColours colours) {
    auto step = [&] {
        if (gauge) gauge->stepBy(1);
        if (progress) progress->processPendingMessages();
    };
    auto played = [colours](TColor color) {
        return colours == TPlayColours::Monochrome && color == kChangeBarColor ? clBlack : color;
    };
    auto fromClip = [&] {
        const QRect c = target.ClipRect();
        return TPlayRect{c.left(), c.top(), c.left() + c.width(), c.top() + c.height()};
    };

    TPlayRect r;
    if (!printing) {
        r = fromClip();
    } else if (playRect_.Right != 0) {
        r = playRect_;
    } else {
        r = fromClip();
        playRect_ = r;
    }
    if (printing) {
        step();
        if (gauge) {
            gauge->setMaximum(CommandCount());
            gauge->setPosition(0);
        }
    }

    double scaleX = 1.0;
    bool mappingFailed = false;
    if (scale) {
        try {
            int width = r.Right - r.Left, height = r.Bottom - r.Top;
            int left = 0, top = 0;
            if (printing && pageWidth_ > 0 && pageHeight_ > 0 && width > 0 && height > 0) {
                // On the printer's printable area (of whatever paper the
                // queue holds) the page keeps its proportions: scaled
                // uniformly to fit, centred across the rest.
                const double fit =
                    std::min(double(width) / pageWidth_, double(height) / pageHeight_);
                const int fitWidth = int(std::lround(pageWidth_ * fit));
                const int fitHeight = int(std::lround(pageHeight_ * fit));
                left = (width - fitWidth) / 2;
                top = (height - fitHeight) / 2;
                width = fitWidth;
                height = fitHeight;
            }
            target.SetWindowExt(pageWidth_, pageHeight_);
            target.SetViewportExt(width, height);
            target.SetViewportOrg(left, top);
            // A multiplier of 0 next to a positive one would collapse the
            // page to a line: it counts as 1.
            if (multX > 0 || multY > 0)
                target.ScaleViewportExt(multX > 0 ? multX : 1, 1, multY > 0 ? multY : 1, 1);
        } catch (const std::exception& e) {
            showError(withMessage("Error in Scaling Canvas", e));
            mappingFailed = true;
        }
        if (pageWidth_ != 0 && pageHeight_ != 0) scaleX = double(r.Right - r.Left) / pageWidth_;
    }

    for (std::size_t i = 0; i < commands_.size(); ++i) {
        const TStoredCommand& stored = commands_[i];
        const TCanvasCommand c = CommandFields(i);
        if (printing) step();
        bool failed = false;
        switch (c.Kind) {
        case ckTextOut:
        case ckTextOutInFont:
            try {
                playText(target, stored, scaleX, printing, aspectX, aspectY, gauge, progress);
            } catch (const std::exception& e) {
                showError(withMessage("Error in Text out to Canvas", e));
                failed = true;
            }
            break;
        case ckLineTo:
            target.LineTo(c.X1, c.Y1);
            break;
        case ckArc:
            target.Arc(c.X1, c.Y1, c.X2, c.Y2, c.X3, c.Y3, c.X4, c.Y4);
            break;
        case ckRectangle:
            target.Rectangle(c.X1, c.Y1, c.X2, c.Y2);
            break;
        case ckRoundRect:
            target.RoundRect(c.X1, c.Y1, c.X2, c.Y2, c.X3, c.Y3);
            break;
        case ckEllipse:
            target.Ellipse(c.X1, c.Y1, c.X2, c.Y2);
            break;
        case ckPie:
            target.Pie(c.X1, c.Y1, c.X2, c.Y2, c.X3, c.Y3, c.X4, c.Y4);
            break;
        case ckChord:
            target.Chord(c.X1, c.Y1, c.X2, c.Y2, c.X3, c.Y3, c.X4, c.Y4);
            break;
        case ckDrawPicture:
            try {
                // Pictures outside the list (an indicator number of -1) draw nothing.
                const QImage pic = indicatorPicture(c.Y2);
                if (!pic.isNull()) {
                    if (printing)
                        target.StretchDIBits(c.X1, c.Y1, pic.width(), pic.height(), pic,
                                             pic.rect());
                    else
                        target.Draw(c.X1, c.Y1, pic);
                }
            } catch (const std::exception& e) {
                showError(withMessage("Error in Draw to Canvas", e));
                failed = true;
            }
            break;
        case ckStretchPicture:
            if (stored.TextSize == 0) break;
            try {
                bool ok = false;
                const QStringView number = CommandText(stored);
                const int index = number.toInt(&ok);
                if (!ok)
                    throw TListoraError(
                        QStringLiteral("'%1' is not a valid integer value").arg(number));
                const QImage pic = indicatorPicture(index);
                if (!pic.isNull()) {
                    if (printing)
                        target.StretchDIBits(c.X1, c.Y1, std::abs(c.X3 - c.X1),
                                             std::abs(c.Y3 - c.Y1), pic, pic.rect());
                    else
                        target.StretchDraw(c.X1, c.Y1, c.X3, c.Y3, pic);
                }
            } catch (const std::exception& e) {
                showError(withMessage("Error in Stretch Draw to Canvas", e));
                failed = true;
            }
            break;
        case ckSetFont:
            if (const TFont* f = CommandFont(c)) font_ = *f;
            recordedFontHeight_ = c.X1;
            break;
        case ckSetPen:
            if (const TPen* p = CommandPen(c)) {
                pen_ = *p;
                target.SetPen(pen_);
            }
            break;
        case ckSetBrush:
            if (const TBrush* b = CommandBrush(c)) brush_ = *b;
            target.SetBrush(brush_);
            break;
        case ckSetPenPos:
        case ckMoveTo:
            target.MoveTo(c.X1, c.Y1);
            break;
        case ckFillRect:
            target.FillRect(c.X1, c.Y1, c.X2, c.Y2);
            break;
        case ckTransparent:
            target.SetBkMode(true);
            break;
        case ckOpaque:
            target.SetBkMode(false);
            break;
        case ckWatermark:
            playWatermark(target, stored, printing);
            break;
        case ckBrushColor: {
            // Giving a hollow brush a colour makes it solid, as a canvas
            // brush does: a colour is asked for to fill with it.
            TBrush b = target.Brush();
            b.color = played(c.Value);
            if (b.style == TBrushStyle::Clear) b.style = TBrushStyle::Solid;
            target.SetBrush(b);
            break;
        }
        case ckPenColor: {
            TPen p = target.Pen();
            p.color = played(c.Value);
            target.SetPen(p);
            break;
        }
        case ckFloodFill:
            target.FloodFill(c.X1, c.Y1, c.Value);
            break;
        default:
            break;
        }
        if (failed || mappingFailed) break;
    }
    if (printing && gauge) gauge->setPosition(0);
}

// Text is drawn 1 point smaller than recorded (when above 1 point): fonts
// drawn through the mapping come out slightly larger than the layout
// measured them. On the printer the height is set from the recorded one.
void TVirtCanvas::playText(IDrawSurface& target, const TStoredCommand& c, double scaleX,
                           bool printing, int aspectX, int aspectY, IGauge* gauge,
                           IProgress* progress) {
    const QStringView recorded = CommandText(c);
    QStringView text = recorded;
    const TFont currentBefore = font_;
    bool restoreTarget = false;
    TFont keptTargetFont;
    int printHeight = recordedFontHeight_ + 1;

    if (c.Kind == ckTextOutInFont) {
        const qsizetype sep = recorded.indexOf(kFontTextSeparator);
        if (sep >= 0) {
            keptTargetFont = target.Font();
            restoreTarget = true;
            const QString name = recorded.left(sep).toString();
            if (fontregistry::contains(name)) {
                if (const TFont* reg = fontregistry::find(name)) {
                    font_ = *reg;
                    // Printed in the size the layout measured it in.
                    printHeight = reg->height() + 1;
                }
            }
            // The whole text: cutting it (as to 255 characters) would lose
            // the end of long comment lines.
            text = recorded.mid(sep + kFontTextSeparator.size());
        }
    }

    // A page shown smaller than a fiftieth of its width: "Small Fonts" reads
    // better than a scaled outline font.
    const bool smallFonts = scaleX < 0.02 && !printing;
    if (smallFonts) {
        font_.setName(QStringLiteral("Small Fonts"));
        font_.setSize(roundEven(font_.size() * scaleX));
        if (!restoreTarget) {
            keptTargetFont = target.Font();
            restoreTarget = true;
        }
    }

    if (printing) {
        if (gauge) gauge->stepBy(1);
        if (progress) progress->processPendingMessages();
    }

    TFont drawFont = DrawnFont(font_);
    target.SetFont(drawFont);

    if (!printing) {
        target.TextOut(c.X1, c.Y1, text.toString());
    } else if (aspectX > 0 && aspectY > 0) {
        drawFont.setHeight(printHeight);
        target.SetFont(drawFont);
        target.TextOut(c.X1, c.Y1, text.toString());
    }

    if (restoreTarget) target.SetFont(keptTargetFont);
    // The named font served this one command only; later plain text keeps
    // drawing in the font selected before it.
    if (smallFonts || c.Kind == ckTextOutInFont) font_ = currentBefore;
}

void TVirtCanvas::playWatermark(IDrawSurface& target, const TStoredCommand& c, bool printing) {
    const QString text = CommandText(c).toString();
    const double w = c.X1, h = c.Y1, top = c.Y2;
    const int left = c.X2;
    const int d = roundClamped(std::sqrt(w * w + h * h));
    const int a = c.X1 == 0 ? 45 : roundClamped(std::atan(h / w) * 180.0 / kWatermarkPi);

    const int dpi = target.GetDeviceCaps(dcLogPixelsY);
    TLogFont lf;
    lf.width = 0;
    lf.weight = 400;
    lf.charSet = 0;
    lf.pitchAndFamily = 0x32;
    if (printing) {
        lf.height = roundEven(dpi / 9.0);
        lf.escapement = lf.orientation = a * 10;
    } else {
        lf.height = roundEven(dpi * 3 / 7.0);
        lf.escapement = lf.orientation = 450;
    }
    TFont wm = fontFromLogFont(lf);
    wm.setColor(clSilver);
    target.SetFont(wm);

    const int tw = target.TextWidth(text);
    const int th = target.TextHeight(text);
    const int lead = d > tw ? roundClamped((double(d) - tw) * 0.5) : 1000;
    int y = roundClamped(double(roundClamped(h - std::sin(a * kWatermarkPi / 180.0) * lead)) - th +
                         top);
    // The height of the default 8-point font at the screen's resolution.
    const int f = roundEven(8.0 * kScreenDpi / 72.0);
    int x = roundClamped((double(pageHeight_) - y - 2 * top) * a / 45.0 - f);
    y = roundClamped(double(y) + 2 * f);
    if (y > pageHeight_) y = roundClamped(double(pageHeight_) - top);
    if (x < left) x = left;
    target.TextOut(x, y, text);
    target.SetFont(font_);
}
