#pragma once
// What a PDF reader finds in a document, read with qpdf itself: pages and
// their labels, the bookmark tree, link annotations and the document
// information.
#include <QString>
#include <QStringList>

#include <vector>

struct TReadBookmark {
    QString title;
    int depth = 0;
    int page = -1; // 0-based, -1: no page
    double top = 0;
};

struct TReadLink {
    int page = 0; // 0-based
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int targetPage = -1;
    double targetTop = 0;
};

struct TReadPdf {
    bool ok = false;
    std::vector<double> widths, heights;  // media box per page, points
    QStringList labels;                   // "" where the document has none
    std::vector<TReadBookmark> bookmarks; // depth first
    std::vector<TReadLink> links;
    QString title, subject, creator, pageMode;
};

TReadPdf readPdf(const QString& path);
