#pragma once
// What a reader on screen follows, recorded with a page beside its drawing
// commands: places that bookmarks and links open, and areas that link to
// such a place. Playback onto a screen, an image or a printer never reads
// it; only the PDF assembly does.
#include <QString>

#include <vector>

// A place on a page that a bookmark or a link opens.
struct TNavTarget {
    // Unique within one build ("file:Module1.bas", "proc:Module1.bas:Total").
    QString Key;
    // Bookmark text; empty for a place that only links lead to.
    QString Title;
    // Depth in the bookmark tree: 0 reports and project, 1 file, 2 procedure.
    int Level = 0;
    // Page units, top left of what the place shows.
    int X = 0;
    int Y = 0;
};

// A rectangle (page units) that opens the target with the given key.
struct TLinkArea {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    QString Key;
};

struct TPageNavigation {
    std::vector<TNavTarget> Targets;
    std::vector<TLinkArea> Links;
    // The page's number as the reader sees it printed ("7", "5-6",
    // "Contents"); empty: the page's place in the document.
    QString Label;
};

// Keys of the places a listing names.
inline QString fileTargetKey(const QString& fileName) {
    return QStringLiteral("file:") + fileName;
}
inline QString procTargetKey(const QString& fileName, const QString& procName) {
    return QStringLiteral("proc:") + fileName + QLatin1Char(':') + procName.trimmed();
}
