#pragma once
// Which lines of a file changed between two versions of its text: a line
// diff (libgit2's) turned into an edit script, with runs of pure additions
// and deletions slid to the sections' boundaries where the text allows.
#include <QByteArray>
#include <QList>

#include <vector>

// One step of the edit script: a line of both versions, one only in the
// old version, or one only in the new.
enum class TLineOp : char { Same, Deleted, Added };

struct TLineDiff {
    std::vector<TLineOp> Ops;
    // The same facts by line (0-based).
    std::vector<bool> Added;   // per new line
    std::vector<bool> Deleted; // per old line
    // Per old deleted line: the new line (0-based) before which it went;
    // newLines.size() for the end.
    std::vector<int> DeletedAt;
    // New lines (0-based, size() for the end) before which lines were
    // deleted and nothing added: where a deletion wedge goes.
    std::vector<int> Gaps;
};

// The lines are compared by their bytes, as a file's code page may decode
// different bytes alike. ignoreSpace: lines that differ only in the amount
// of white space (or in white space at their end) are the same.
TLineDiff DiffLines(const QList<QByteArray>& oldLines, const QList<QByteArray>& newLines,
                    bool ignoreSpace, const std::vector<int>& oldSectionStarts = {},
                    const std::vector<int>& newSectionStarts = {});

// The line as compared with ignoreSpace.
QByteArray SpaceFolded(const QByteArray& line);
