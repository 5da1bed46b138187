#pragma once
// What a change listing marks beside the lines: the added or changed lines
// of each file and the places where lines were deleted.
#include <QHash>
#include <QSet>
#include <QString>

struct TLineMarks {
    // Source line numbers (1-based) of added or changed lines.
    QSet<int> Changed;
    // Line numbers before which lines were deleted (the line count + 1 for
    // the end of the file).
    QSet<int> GapsBefore;
};

// By the file's path as the project loader resolved it.
using TChangeBars = QHash<QString, TLineMarks>;
