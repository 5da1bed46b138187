#pragma once
// The listing formatter: turns marked source into recorded pages. One
// formatter serves one build; the main window replaces it before the next.
// Its layout state lives here, in one place, read and written by the page
// frame, the line output and the separators.
#include "format/BracketRecords.h"
#include "format/ChangeBars.h"
#include "format/ListingSettings.h"
#include "format/VbLexer.h"
#include "names/CrossReference.h"
#include "render/PageCheck.h"
#include "render/PageStorage.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <vector>

class IGauge;
class TCallerIndex;
class TNameModel;
struct TNameRef;
struct TNameUse;
class IProgress;
class TSourceMgt;
class TVirtCanvas;
struct RFile;
struct RFunction;

// The two glossary layouts: the basic one puts a command between files that
// moves to the next half and points at a note.
enum class TGlossaryKind { Basic, Deluxe };

// A report page sets its own drawing state: playback carries pens,
// brushes and the background mode over from the page before.
void StartReportPage(TVirtCanvas& canvas);

// A piece of a cross-reference entry, [start, end) of its text: entries
// wrap between pieces; key is the place a page number leads to (empty:
// none).
struct TXrefPiece {
    qsizetype start = 0;
    qsizetype end = 0;
    QString key;
};
// A name with where it is defined and its uses, in one paragraph; or the
// title of a section of the report. The pieces' texts are one text, a
// blank between each two, so that a line is part of it.
struct TXrefEntry {
    QString text;
    std::vector<TXrefPiece> pieces;
    bool section = false;

    // Adds a piece of the text given; then the text may go on with more of
    // it.
    void add(QStringView piece, const QString& link = QString()) {
        if (!pieces.empty()) text += u' ';
        pieces.push_back({text.size(), text.size() + piece.size(), link});
        text += piece;
    }
    void extend(QStringView more) {
        text += more;
        pieces.back().end = text.size();
    }
    QStringView pieceText(std::size_t i) const {
        return QStringView(text).sliced(pieces[i].start, pieces[i].end - pieces[i].start);
    }
};

class TSourceCodePrint {
public:
    // progress may be null: nothing is reported then.
    explicit TSourceCodePrint(IProgress* progress = nullptr);
    ~TSourceCodePrint();
    TSourceCodePrint(const TSourceCodePrint&) = delete;
    TSourceCodePrint& operator=(const TSourceCodePrint&) = delete;

    // Reads the settings file into Settings, refreshes the named fonts and
    // turns the page store's pages to match the layout. Throws
    // TListoraError for a stored byte setting outside 0..255.
    bool LoadSettings();
    // Lays the pages out on paper instead of the stored choice; before a
    // build only.
    void SetPaper(TPaper paper);
    // The settings of a missing settings file, with the same side effects.
    void LoadDefaultSettings();
    // Default drawing state of new pages.
    void SetPageDefaults(const TFont& font, const TPen& pen, const TBrush& brush);

    // The builds. Each expects a fresh formatter whose store holds only its
    // first, empty page.
    void BuildProject(RFile* firstFile, TSourceMgt& analyzer);
    void BuildFromFile(const QString& fileName, IGauge* gauge);
    void BuildFromLines(const QStringList& lines, IGauge* gauge);
    void BuildPlain(const QStringList& lines, IGauge* gauge);

    // Code lines.
    void PrintCodeLine(const QString& line, const QString& fontName, bool continuation,
                       bool inComment, int prevIndent, int prevWrap, int reservedWidth);
    // limit: the width the first part must stay below (ColumnWidth when
    // negative).
    int FindWrapPosition(const QString& line, const QString& fontName, int limit = -1);

    // Page frame.
    void ConvertMargins();
    void DrawFrame();
    void NewPage();
    void AddNamedPage();
    // Advances CurrentY by one line of the given height (plus the line gap,
    // but never less than inkHeight, the drawn text's cell) and moves to the
    // next column or page when the column is full.
    void AdvanceLine(int lineHeight, int inkHeight = 0);
    // The right half of the sheet, or a new page (right half, one-page
    // layout); CurrentY restarts at TextTop.
    void NextColumn();
    // Draws what the sheet still owes: the header and footer texts of a
    // page (or half) that got no line. The builds end with it.
    void CloseSheet();

    // Procedure headings and separators.
    void ProcHeading(const QString& line);
    void FileSeparator(const RFile& file);
    // "%f" and "%s" become the file's name and its first marked section's.
    void NameCurrentFile(const RFile& file);
    void KeepOffBottomQuarter(int height = 0);

    // Control-structure brackets: recorded while the lines are laid out,
    // matched afterwards and drawn over the stored pages.
    bool RecordBracketLine(const QString& line, int lineIndex, int page, int y, int x, int side);
    void ResolveBrackets();
    void DrawBrackets();
    int BracketCount() const { return int(brackets_.size()); }
    void ReleaseBrackets() { brackets_.clear(); }
    const std::pmr::vector<RBracket>& Brackets() const { return brackets_; }

    // Runs every command the line holds; true when it held one (the line
    // is then not printed).
    bool InlineCommand(const QString& line, const QString& indicator);

    // Prints a run of whole-line comments from lines[index] in a shadowed
    // box; returns how many lines it printed (0: none, print them plainly).
    int ShadowComment(int index, const QStringList& lines);

    // Reports.
    void PrintTitlePage();
    // Sets aside the contents pages (more than one when the printed files
    // do not fit on one).
    void ReserveTableOfContents(RFile* firstFile);
    void PrintTableOfContents(RFile* firstFile);
    void BuildFunctionIndex(RFile* firstFile);
    void PrintFunctionIndex(const QStringList& entries);
    void RecordProcPage(RFile& file, const QString& procName, int page);
    void PrintXref(const std::vector<TXrefEntry>& entries);

    // The function glossary of every file of the analyzer's project.
    QStringList BuildGlossary(TGlossaryKind kind, TSourceMgt& analyzer);

    // The settings file copied out and back in, each time through a
    // temporary file renamed into place. Throw TListoraError on failure.
    void CopySettingsTo(const QString& fileName);
    void RestoreSettingsFrom(const QString& fileName);

    // The layout facts of store page n (the sheet size alone on pages
    // without a frame), and the geometry check over every stored page.
    TPageLayout PageLayout(int n) const;
    std::vector<TPageFinding> CheckPages(TPageCheckCounts* counts = nullptr) const;
    // The links of code (and of the callers under the headings) over every
    // stored page: each rectangle must lie on the drawn glyphs of one whole
    // name or caller ("link-off-name"), and lead to the heading of a
    // procedure of that name ("link-wrong-target").
    // codeLinks may be null; it receives how many links were checked.
    std::vector<TPageFinding> CheckLinks(long long* codeLinks = nullptr) const;

    TVirtCanvas& Canvas() { return Pages.Canvas(); }
    // The date shown by "%d" (today's in the user's short format, unless a
    // caller fixes it, as tests do).
    void SetDateText(const QString& text) { dateText_ = text; }

    TListingSettings Settings;
    // What the last build left out or could not honour, for the user.
    QStringList BuildNotes;
    TPageStorage Pages;

    // Layout state, in page units.
    int PageNumber = 0;
    int CurrentX = 0;
    int CurrentY = 0;
    int PrevLineY = 0;
    int LeftColumnX = 0;
    int RightColumnX = 0;
    int ColumnWidth = 0;
    int TextTop = 0;
    int TextBottom = 0;
    int CodeLineHeight = 0;
    int LineNumberWidth = 0;
    int BracketAreaWidth = 0;
    QString CurrentFileName;
    QString CurrentProcName;
    int LineIndex = 0;
    QString CurrentLine;
    bool MarginsConverted = false;
    bool SuppressIndicator = false;
    // The margins in page units once converted (left, top, right, bottom).
    int MarginL = 0, MarginT = 0, MarginR = 0, MarginB = 0;
    // Title of the job (project path or clipboard), for the reports.
    QString JobTitle;
    // The listing's name for a reader (a PDF's title, the bookmarks' root):
    // the project's or file's name without its folder.
    QString DocumentTitle() const;
    // Bookmark targets, links and page labels recorded beside the drawing
    // for a PDF reader; off, nothing of them is recorded.
    bool RecordNavigation = true;
    // The lines a change listing marks with bars and wedges; none: no
    // marks.
    const TChangeBars* ChangeBars = nullptr;
    // A change listing's title-page line ("Changes since ..."), the revision
    // "%r" shows in headers and footers, and what no longer exists, one
    // entry a line on the "Removed" page after the contents. All empty
    // outside change listings.
    QString ChangeTitle;
    QString Revision;
    QStringList RemovedEntries;

private:
    enum class TBuildKind { Project, Lines, Plain };

    void drawOnePageFrame();
    void drawTwoPageFrame();
    void drawShading();
    void drawWatermark();
    // Header and footer texts wait for their page's first line, so that
    // "%f", "%s" and "%p" are the page's own (a two-page sheet's halves
    // may hold different files). The frame fits them and leaves their
    // places; the first line of a page or half settles them.
    struct TFramePlaces {
        int FooterX = 0, FooterY = 0, FooterRoom = 0; // centre, top, width
        int HeaderX = 0, HeaderY = 0, HeaderRoom = 0;
    };
    struct TFrameTexts {
        bool Pending = false;
        int Half = 0; // 0: the page or the left half, 1: the right half
        int PageNumber = 0;
    };
    void drawFrameTexts(int half, int pageNumber);
    void settleFrameTexts();
    // Moves on to the right half of a two-page sheet.
    void enterRightHalf();
    // Shrinks font by 2 points while text is wider than a column (once per
    // call), then on while it is wider than room (-1: no room given), and
    // selects it; returns its height.
    int fitFont(TFont& font, const QString& text, int room = -1);
    QString fitText(const QString& text, int room);
    QString expandHeader(const QString& templ, int pageNumber) const;

    void walkLines(const QStringList& lines, TBuildKind kind, IGauge* gauge);
    void runPipeline(const QStringList& lines, TBuildKind kind);
    void reportLineProgress(int index, int count, int step, IGauge* gauge);
    // The lines of a file to print; their numbers in the file (1-based)
    // go to sourceLineNumbers_.
    QStringList collectFileLines(const RFile& file);
    // Keyword emphasis (KeywordEmphasis.cpp): code text in runs of the
    // code font and its bold face, measured and drawn run by run.
    // The lexical state the piece being laid out begins in: that of its
    // line where the line was wrapped (a piece may begin inside a string).
    TLexState pieceLexState_ = TLexState::Code;
    struct TCodeRun {
        int start = 0;
        int length = 0;
        bool bold = false;
    };
    std::vector<TCodeRun> codeRuns(QStringView text) const;
    bool emphasised(const QString& fontKey) const;
    std::vector<int> codeRunOffsets(QStringView text, const QString& fontKey,
                                    const std::vector<TCodeRun>& runs);
    int codeTextWidth(QStringView text, const QString& fontKey);
    // How the line output prints one piece of a line: its font, whether it
    // wraps and where, and how the remainder that continues on the next
    // line begins (its smart indent and indicator).
    struct TPiecePlan {
        QString FontKey;
        int CommentPos = -1;
        int CodeWidth = 0; // of the code before CommentPos
        bool Wrapped = false;
        int WrapPos = 0;
        int Indent = 0;
        QString Indicator;
        bool Continues = false;
        bool ContinuesInComment = false;
    };
    // What is left of a line being wrapped: the head its continuation starts
    // with and the rest of the source line, which is never copied whole.
    struct TLineRest {
        const QString* source = nullptr;
        QString head;
        QStringView tail;
        // The window to plan the next piece from first (0: the first's).
        qsizetype window = 0;
    };
    // Where the blanks of a line being wrapped end: each piece asks from
    // further on, so no blank is looked at twice.
    struct TBlankSkip {
        QStringView text;
        qsizetype from = -1;
        qsizetype end = 0;
        qsizetype next(qsizetype at);
    };
    // Plans the next piece of rest from as much of it as decides the plan:
    // window receives that text (all of rest when the piece is the last),
    // which the plan's positions count in.
    TPiecePlan planRest(const TLineRest& rest, TBlankSkip& blanks, QString& window,
                        const QString& fontName, bool inComment, int prevIndent, int prevWrap,
                        int reservedWidth, const QString& indicator);
    // Plans a piece of line. A truncated line is the start of a longer one:
    // decided is cleared when what follows could change the plan.
    TPiecePlan planPiece(const QString& line, bool declaration, bool truncated, bool& decided,
                         const QString& fontName, bool inComment, int prevIndent, int prevWrap,
                         int reservedWidth, const QString& indicator);
    static TLineRest restAfter(const TLineRest& rest, const TPiecePlan& plan);
    int findWrapPosition(const QString& line, const QString& fontName, int limit, bool truncated,
                         bool& decided);
    // How far below a piece the next line starts at the least: the ink of
    // its font, and of the comment font where a comment is drawn in it.
    int pieceInk(const TPiecePlan& plan);
    // The height a comment box's line takes once wrapped: each piece
    // advances lineHeight, or more where its font's ink is taller.
    qint64 heightInBox(const QString& line, int reservedWidth, int lineHeight);
    void codePrefixWidths(QStringView text, const QString& fontKey, std::vector<int>& widths);
    // Where each character boundary of a piece of code lands as the line
    // output draws it (its blanks skipped by their measured width, the
    // rest in the drawn font, run by run).
    void drawnCodeOffsets(QStringView text, const QString& fontKey, std::vector<int>& offsets);
    void drawCodeText(int x, int y, const QString& fontKey, QStringView text);
    // Line numbers (LineNumbers.cpp).
    int lineNumberWidth() const;
    static QString lineNumberFont();
    // Draws the number of line lineIndex (of the lines being walked) where
    // the next line starts; returns where the number ends below.
    int printLineNumber(int lineIndex);
    QString lineNumberText(int lineIndex) const;
    static int lineNumberGap();
    // Where a line drawn from gutter edge x begins to ink: its number, or
    // the first non-blank after its leading blanks.
    int lineInkX(int x, QStringView blanks, int lineIndex);
    void drawIndicatorPicture(TVirtCanvas& canvas, bool printedInLeftColumn, bool columnChanged);

    // Change bars (ChangeMarks.cpp), around the output of the line at
    // index.
    void beginChangeMarks(int index);
    void endChangeMarks(int index);
    void drawChangeBar(int height);
    void drawDeletionWedge(int y);
    int changeMarkX() const;
    // The number in its file of the walked line at index (1-based).
    int sourceLineNumber(int index) const;
    const TLineMarks* currentFileMarks() const;
    void printRemovedPage();
    const TLineMarks* changedLine_ = nullptr;

    // Points where brackets, comment shadows, inline commands and reports
    // join the build.
    void printTitlePage();
    void reserveTableOfContents();
    void printTableOfContents();
    void buildFunctionIndex();
    // The cross-reference (XrefReport.cpp): the page each line of a file
    // of the name model was printed on, recorded as it is laid out.
    void printXref(const TSourceMgt& analyzer);
    void recordLinePlace(int page);
    struct TLinePlace {
        int storePage = 0; // 0: not printed
        int page = 0;      // as printed under the page or half
        int x = 0;
        int y = 0;
        QString key; // of the link target that marks it, once one does
    };
    TLinePlace* linePlace(int file, int line);
    QString lineLink(int file, int line);
    void addXrefEntry(std::vector<TXrefEntry>& entries, const TNameRef& ref,
                      const std::vector<TNameUse>* uses);
    void addXrefUses(TXrefEntry& e, const std::vector<TNameUse>& uses);
    // By file (as names_ numbers them) and line (0-based).
    std::vector<std::vector<TLinePlace>> linePlaces_;
    void recordBracketLine(const QString& line);
    void finishBrackets();
    void writeBracketDump(const QString& fileName);
    int shadowComment(const QStringList& lines);
    bool inlineCommand(const QString& line);
    void recordProcPage(int page);

    void setBracketPen(TVirtCanvas& canvas, int level);
    // Ends the bracket block (a procedure or a file) whose last line was
    // drawn last: structures still open there are closed off at it.
    void endBracketBlock(bool atThisLine);
    // The x of a bracket line at depth offset d, kept inside the bracket
    // area however deep the nesting.
    int bracketLineX(int columnX, int d) const;
    // Where a record's tick starts: right of its bracket line, short of the
    // line's ink.
    int tickStartX(const RBracket& r, int lineX) const;
    void recordLayout();
    // The cell height of the tallest of the fonts code lines are drawn in.
    int tallestLineInk();
    // y, moved just enough for text (in the canvas font) to stay on the sheet.
    int onSheetY(int y, const QString& text);
    // Returns the page it drew on last.
    int drawSegment(const std::vector<TVirtCanvas*>& sheets, const RBracket& c, const RBracket& p,
                    int d);
    void drawTocPageTitle(int& y, int contentsPage);
    int tocLayout(int fileCount, int lineHeight, bool& twoColumns, int& perColumn) const;
    TFont tocEntryFont(RFile* firstFile);

    // Navigation (Navigation.cpp).
    void addTarget(const QString& key, const QString& title, int level, int x, int y);
    void addLink(int x1, int y1, int x2, int y2, const QString& key);
    void setPageLabel(const QString& label);
    void collectProcTargets(RFile* firstFile, TSourceMgt& analyzer);
    // The names of the current file's line that lead to a printed
    // procedure, for the pieces it is printed in.
    void resolveLineLinks(QStringView line);
    // A piece of the line: its characters from lead on are the line's from
    // lineStart on (before lead: a continuation's indent and indicator).
    void recordCodeLinks(int x, int y, QStringView text, const QString& fontKey, int lineStart,
                         int lead);
    void recordFileTarget(const RFile& file);
    // Returns the heading's target key (empty without navigation).
    QString recordProcTarget(const QString& line);
    void recordIndexLink(int x, int y, int width, int height, const QString& entry);

    IProgress* progress_;
    TFramePlaces framePlaces_[2];
    TFrameTexts frameTexts_;
    bool rightHalfEntered_ = true;
    QString dateText_;
    // Today's date, asked for once per build (every page frame shows it).
    mutable QString todayText_;
    const QString& shownDate() const;
    // A record for every structure line of the whole listing, kept to the
    // end: grown in memory of its own, as the recorded pages are.
    TRecordingArena bracketMemory_;
    std::pmr::vector<RBracket> brackets_{&bracketMemory_};
    // Where the line drawn last began, for closing off a bracket block.
    RBracket lastLine_;
    int lastLineLead_ = 0;
    bool anyLine_ = false;
    // Layout facts by store page number.
    std::vector<TPageLayout> layouts_;
    // The project being built, and its file whose lines are being laid out.
    RFile* firstFile_ = nullptr;
    RFile* currentFile_ = nullptr;
    // The contents pages: store number of the first and how many there are,
    // and the header font as it was when they were set aside.
    int tocFirstPage_ = 0;
    int tocPageCount_ = 0;
    TFont tocFont_;
    // Source line number of each line being walked; empty: index + 1.
    std::vector<int> sourceLineNumbers_;
    // Prefix widths of the line being wrapped, kept for the next line.
    std::vector<int> wrapWidths_;
    std::vector<int> commentWidths_;
    // The project's names (built when links are recorded), the current
    // file's number in it, and the links of the line being printed
    // ([start, end) of the line, target key).
    std::unique_ptr<TNameModel> names_;
    int namesFile_ = -1;
    struct TLineLink {
        int start = 0;
        int end = 0;
        QString key;
    };
    std::vector<TLineLink> lineLinks_;
    // Target key of each marked procedure by "file\nname": the first
    // section of that name in the file.
    QHash<QString, QString> procByFileAndName_;
    // Each procedure heading's place: its key (made unique when a file
    // declares a name twice) and the page number printed there.
    struct TProcPlace {
        QString key;
        int page = 0;
    };
    QHash<QString, std::vector<TProcPlace>> procPlaces_;
    // The sections of the file whose declarations RecordProcPage dates, by
    // trimmed name in file order, and how many of them have their page.
    struct TNamedSections {
        std::vector<RFunction*> sections;
        std::size_t unpaged = 0;
    };
    RFile* sectionsFile_ = nullptr;
    QHash<QString, TNamedSections> sectionsByName_;

    // Callers under the headings (Callers.cpp): their lines' room is kept
    // below each heading while the listing is laid out, and the lines are
    // drawn there once every heading has its page.
    void collectCallers(RFile* firstFile, TSourceMgt& analyzer);
    // The heading line just printed on page, with its target key.
    void noteCallersHeading(int page, const QString& key);
    void reserveCallerLines();
    void drawCallerLines();
    bool callerLineFits(const QString& text);
    // Built from names_ (when callers are on), so declared after it.
    std::unique_ptr<TCallerIndex> callers_;
    // What the cross-reference lists, read while the listing is laid out
    // (unless the callers' index holds the uses). Read from names_, so
    // declared after it.
    std::future<TXrefNames> xrefNames_;
    // The procedure (of namesFile_) whose callers are due below the
    // declaration being printed, or -1.
    int callersDue_ = -1;
    struct TCallersPlace {
        int page = 0; // in the store
        int x = 0;
        int y = 0;
    };
    struct TCallersBlock {
        int file = 0;
        int procedure = 0;
        std::vector<TCallersPlace> lines;
    };
    std::vector<TCallersBlock> callerBlocks_;
};
