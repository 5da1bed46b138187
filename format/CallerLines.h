#pragma once
// "Called from: ..." under a procedure's heading: which procedures of the
// project call it, each with the page its heading is printed on. The lines
// are laid out with the listing (their room kept) and drawn once every
// heading's page is known.
#include "names/CrossReference.h"

#include <QString>

#include <functional>
#include <vector>

class TSourceMgt;
struct RFile;

// The named font the lines are drawn in.
inline const QString kCallersFont = QStringLiteral("CALLERS");

// One caller as printed: "Form1.cmdOK_Click (p. 12)", or the name alone
// when its heading is not printed (Page 0). Key: its heading's link
// target, empty for none.
struct TCallerEntry {
    QString Name;
    int Page = 0;
    QString Key;
};

struct TCallerLine {
    QString Text;
    // The entries' texts in Text ([Start, End)), to link to their Key.
    struct TSpan {
        int Start = 0;
        int End = 0;
        QString Key;
    };
    std::vector<TSpan> Links;
};

// "Called from: A (p. 3), Module1.B, ..." in at most maxLines lines, each
// one that fits allows, entries never split; past that the last entries
// give way to "and N more". None when not even that fits.
std::vector<TCallerLine> FitCallerLines(const std::vector<TCallerEntry>& entries,
                                        const std::function<bool(const QString&)>& fits,
                                        int maxLines);

// The procedure's name an entry's text ("Form1.cmdOK_Click (p. 12)")
// names.
QStringView CallerEntryProcedure(QStringView entry);

// The callers of every procedure of a project's name model, and where the
// headings of the procedures are printed.
class TCallerIndex {
public:
    // Reads the uses in every file from first on; files whose headings
    // the listing prints are those with marked sections. The model must
    // outlive the index. Throws TListoraError when a file cannot be read.
    TCallerIndex(const TNameModel& model, RFile* first, TSourceMgt& analyzer);

    // The procedure of file whose heading is line (0-based), or -1.
    int HeadingAt(int file, int line) const;
    void RecordHeading(int file, int procedure, int page, const QString& key);
    // The callers of procedure of file, pages as recorded so far; those
    // still to be printed get pending as their page (0: none).
    std::vector<TCallerEntry> Entries(int file, int procedure, int pending = 0) const;
    // Every use of the project's names, read once for the callers and the
    // cross-reference alike.
    const TCrossReference& Uses() const { return xref_; }

private:
    struct THeading {
        int Member = -1;
        bool Printed = false;
        int Page = 0;
        QString Key;
    };
    const TNameModel& model_;
    TCrossReference xref_;
    // [file][procedure]
    std::vector<std::vector<THeading>> headings_;
};
