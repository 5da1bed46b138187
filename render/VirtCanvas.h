#pragma once
// One printed page as a list of drawing commands in logical page units.
// The formatter draws on it as if it were a surface; nothing is drawn until
// the page is played back, scaled onto a screen picture, a printer page or
// a PDF page, as often as needed.
#include "platform/Font.h"
#include "render/RecordingArena.h"

#include <QString>

#include <QStringView>
#include <cstdint>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <vector>

class IDrawSurface;
class IGauge;
class IProgress;

enum TCommandKind : std::int32_t {
    ckTextOut = 0,
    ckTextOutInFont = 1,
    ckLineTo = 2,
    ckArc = 3,
    ckRectangle = 4,
    ckRoundRect = 5,
    ckEllipse = 6,
    ckPie = 7,
    ckDrawPicture = 8,
    ckStretchPicture = 9,
    ckSetFont = 10,
    ckSetPen = 11,
    ckSetBrush = 12,
    ckSetPenPos = 13,
    ckChord = 14,
    ckMoveTo = 15,
    ckFillRect = 16,
    ckTransparent = 17,
    ckOpaque = 18,
    ckUnused19 = 19,
    ckWatermark = 20,
    ckUnused21 = 21,
    ckBrushColor = 22,
    ckPenColor = 23,
    ckFloodFill = 24,
};

// Separates the font name from the text in a ckTextOutInFont command.
inline const QString kFontTextSeparator = QStringLiteral("|||");

// A device rectangle in Windows terms: right and bottom are exclusive and
// Right = 0 means "not set".
struct TPlayRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TPlayRect&) const = default;
};

// One recorded call, as readers see it. The font, pen or brush copy of a
// selection command lives in a table of the canvas; Object is its index
// there (-1: the command holds none).
struct TCanvasCommand {
    std::int32_t Kind = ckUnused19;
    std::int32_t X1 = 0, X2 = 0, X3 = 0, X4 = 0;
    std::int32_t Y1 = 0, Y2 = 0, Y3 = 0, Y4 = 0;
    std::uint32_t Value = 0;
    std::int32_t Object = -1;
    QString Text;
};

// How a canvas keeps a command: a long listing records millions of them, so
// no allocation each and only the fields most commands use. The text lies
// in the canvas's text store (TextAt kNoText: no text, not even an empty
// one). Word is the object index of a selection, the colour of a colour
// command, and for the few kinds with more corners the index of those in
// the canvas's table of extra coordinates.
struct TStoredCommand {
    static constexpr std::uint32_t kNoText = 0xFFFFFFFFu;
    std::int32_t Kind = ckUnused19;
    std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::int32_t Word = -1;
    std::uint32_t TextAt = kNoText;
    std::uint32_t TextSize = 0;
};

class TVirtCanvas;

// The recorded commands of one canvas, read only; each element is made
// when read (its text a copy of its own).
class TCommandList {
public:
    class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = TCanvasCommand;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = TCanvasCommand;
        Iterator(const TCommandList* list, std::size_t at) : list_(list), at_(at) {}
        TCanvasCommand operator*() const { return (*list_)[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        bool operator==(const Iterator& o) const { return at_ == o.at_; }
        difference_type operator-(const Iterator& o) const {
            return difference_type(at_) - difference_type(o.at_);
        }

    private:
        const TCommandList* list_;
        std::size_t at_;
    };

    explicit TCommandList(const TVirtCanvas& canvas) : canvas_(&canvas) {}
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    TCanvasCommand operator[](std::size_t i) const;
    TCanvasCommand back() const { return (*this)[size() - 1]; }
    Iterator begin() const { return Iterator(this, 0); }
    Iterator end() const { return Iterator(this, size()); }

private:
    const TVirtCanvas* canvas_;
};

// The change bars' colour, a dark blue, recorded as it is shown. Playback
// for a monochrome printer draws it black (see TPlayColours).
inline constexpr TColor kChangeBarColor = 0x00C04000; // $00BBGGRR

// How playback draws the recorded colours. Monochrome is for a printer that
// prints in shades of grey: there a greyed blue would make a faint change
// bar, so the change marks are drawn black; every other colour is the
// user's own choice and is drawn as recorded, for the printer to grey.
enum class TPlayColours { AsRecorded, Monochrome };

// The font playback draws text recorded in font with (but on the printer):
// one point smaller, as fonts drawn through the page mapping come out a
// little larger than the layout measured them.
TFont DrawnFont(const TFont& font);

class TVirtCanvas {
public:
    TVirtCanvas() = default;
    // Recording into the arenas of a page store (one for the commands, one
    // for their texts, so that the page being recorded grows in place in
    // both); they must outlive the canvas.
    TVirtCanvas(TRecordingArena* commands, TRecordingArena* texts)
        : commands_(commands), texts_(texts) {}
    TVirtCanvas(const TVirtCanvas&) = delete;
    TVirtCanvas& operator=(const TVirtCanvas&) = delete;

    // Sets the logical page and the starting drawing state: copies of the
    // given objects, or "Arial" 10 pt, a solid black brush and a black solid
    // pen of width 1 for those that are null. Records nothing.
    void InitPage(int width, int height, const TFont* font = nullptr, const TPen* pen = nullptr,
                  const TBrush* brush = nullptr);
    void ClearCommands();
    // Room for about as much as other recorded: pages of a listing are alike.
    void ReserveLike(const TVirtCanvas& other);
    // The page is recorded (later additions are few): its unused room goes
    // back to the arenas.
    void FinishRecording();
    int CommandCount() const { return static_cast<int>(commands_.size()); }
    // The device rectangle for printer playback; (0, 0, 0, 0) unsets it.
    void SetPlayRect(const TPlayRect& rect) { playRect_ = rect; }
    TPlayRect PlayRect() const { return playRect_; }

    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }

    // Recording.
    void TextOut(int x, int y, QStringView text);
    void TextOutInFont(int x, int y, QStringView fontName, QStringView text);
    // For texts given as literals or QStrings.
    void TextOut(int x, int y, const QString& text) { TextOut(x, y, QStringView(text)); }
    void TextOutInFont(int x, int y, const QString& fontName, const QString& text) {
        TextOutInFont(x, y, QStringView(fontName), QStringView(text));
    }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    void FillRect(int x1, int y1, int x2, int y2);
    void DrawPicture(int x, int y, int pictureIndex);
    void StretchPicture(int left, int top, int right, int bottom, int pictureIndex);
    void SetFont(const TFont* font);
    void SetPen(const TPen* pen);
    void SetBrush(const TBrush* brush);
    void SetFont(const TFont& font) { SetFont(&font); }
    void SetPen(const TPen& pen) { SetPen(&pen); }
    void SetBrush(const TBrush& brush) { SetBrush(&brush); }
    void SetBrushColor(TColor color);
    void SetPenColor(TColor color);
    void SetTransparent();
    void Watermark(const QString& text, int width, int height, int left, int top);
    void SetFontHeight(int height);

    // Kinds that only the page setup sample and older recordings use.
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void SetPenPos(int x, int y);
    void SetOpaque();
    void FloodFill(int x, int y, TColor border);

    // Queries, measured through the process-wide text measurer.
    int TextWidth(QStringView text) const;
    int TextHeight(QStringView text) const;
    int TextWidth(const QString& text) const { return TextWidth(QStringView(text)); }
    int TextHeight(const QString& text) const { return TextHeight(QStringView(text)); }
    // In the font registered under fontName; the current font when no font
    // bears that name.
    int TextWidthInFont(QStringView text, const QString& fontName) const;
    int TextHeightInFont(QStringView text, const QString& fontName) const;
    int TextWidthInFont(const QString& text, const QString& fontName) const {
        return TextWidthInFont(QStringView(text), fontName);
    }
    int TextHeightInFont(const QString& text, const QString& fontName) const {
        return TextHeightInFont(QStringView(text), fontName);
    }
    // As playback draws it on screen and into PDF and PNG files: in the
    // registered font one point smaller (see DrawnFont).
    int DrawnTextWidthInFont(QStringView text, const QString& fontName) const;
    void DrawnPrefixWidthsInFont(QStringView text, const QString& fontName,
                                 std::vector<int>& widths) const;
    int FontHeight() const { return font_.height(); }
    // widths[i] = width of the first i characters, in the current font or in
    // a registered one.
    void PrefixWidths(QStringView text, std::vector<int>& widths) const;
    void PrefixWidthsInFont(QStringView text, const QString& fontName,
                            std::vector<int>& widths) const;

    const TFont& CurrentFont() const { return font_; }
    // Makes the current font two points smaller at a time, never below one
    // point, while tooLarge() holds (what must fit the room it is given);
    // every size tried is recorded. Returns the font it ends with.
    template <class TTooLarge> const TFont& ShrinkFontWhile(TTooLarge tooLarge) {
        while (font_.size() > 1 && tooLarge()) {
            TFont smaller = font_;
            smaller.setSize(qMax(1, smaller.size() - 2));
            SetFont(smaller);
        }
        return font_;
    }
    const TPen& CurrentPen() const { return pen_; }
    const TBrush& CurrentBrush() const { return brush_; }
    int RecordedFontHeight() const { return recordedFontHeight_; }

    // The recording, for playback and inspection.
    TCommandList Commands() const { return TCommandList(*this); }
    // Command i as kept, and its text: valid until the next recording.
    const TStoredCommand& StoredCommand(std::size_t i) const { return commands_[i]; }
    QStringView CommandText(const TStoredCommand& c) const {
        if (c.TextAt == TStoredCommand::kNoText) return {};
        return QStringView(texts_.data() + c.TextAt, qsizetype(c.TextSize));
    }
    const TFont* CommandFont(const TCanvasCommand& c) const;
    const TPen* CommandPen(const TCanvasCommand& c) const;
    const TBrush* CommandBrush(const TCanvasCommand& c) const;
    const TFont* CommandFont(const TStoredCommand& c) const { return fontOf(c.Kind, c.Word); }
    const TPen* CommandPen(const TStoredCommand& c) const { return penOf(c.Kind, c.Word); }
    const TBrush* CommandBrush(const TStoredCommand& c) const { return brushOf(c.Kind, c.Word); }
    // Every field of command i but its text.
    TCanvasCommand CommandFields(std::size_t i) const;

    // Draws every command onto target. See the notes in VirtCanvas.cpp.
    // gauge and progress may be null; both are only used when printing.
    void PlayBack(IDrawSurface& target, bool scale, int multX, int multY, bool printing,
                  int aspectX, int aspectY, IGauge* gauge, IProgress* progress = nullptr,
                  TPlayColours colours = TPlayColours::AsRecorded);

private:
    const TFont* fontOf(std::int32_t kind, std::int32_t object) const;
    const TPen* penOf(std::int32_t kind, std::int32_t object) const;
    const TBrush* brushOf(std::int32_t kind, std::int32_t object) const;
    void append(const TStoredCommand& c);
    // Appends the pieces to the text store as the text of c.
    void setText(TStoredCommand& c, std::initializer_list<QStringView> pieces);
    // Rectangle, ellipse and fill share a box.
    void appendBox(int kind, int x1, int y1, int x2, int y2);
    // Arc, pie and chord share their eight coordinates.
    void appendArcLike(int kind, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void playText(IDrawSurface& target, const TStoredCommand& c, double scaleX, bool printing,
                  int aspectX, int aspectY, IGauge* gauge, IProgress* progress);
    void playWatermark(IDrawSurface& target, const TStoredCommand& c, bool printing);

    TArenaArray<TStoredCommand> commands_;
    // Every command's text, one after the other.
    TArenaArray<char16_t> texts_;
    // X3, X4, Y3 and Y4 of the kinds that have them.
    std::vector<std::array<std::int32_t, 4>> extras_;
    void setExtras(TStoredCommand& c, int x3, int x4, int y3, int y4);
    std::vector<TFont> fonts_;
    std::vector<TPen> pens_;
    std::vector<TBrush> brushes_;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    int recordedFontHeight_ = 0;
    int pageWidth_ = 0;
    int pageHeight_ = 0;
    TPlayRect playRect_;
};
