#pragma once
// The last step of a PDF listing: joins the PDF parts that the page
// playback wrote (one, or several written side by side) into one document
// and gives it what a reader on screen navigates by: bookmarks, internal
// links, page labels, document information, and the bookmarks pane open.
// Places are in page units (1/96 inch) from a page's top left, as the
// pages were recorded; pages count from 0 over the joined document.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

struct TPdfPlace {
    int Page = 0;
    int X = 0;
    int Y = 0;
};

struct TPdfBookmark {
    QString Title;
    TPdfPlace Place;
    std::vector<TPdfBookmark> Children;
};

struct TPdfLink {
    int Page = 0;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    TPdfPlace Target;
};

struct TPdfDocumentInfo {
    QString Title;
    QString Subject;
    QString Creator;
    QDateTime Created;
};

struct TPdfNavigation {
    std::vector<TPdfBookmark> Bookmarks;
    std::vector<TPdfLink> Links;
    // One per page of the joined document, or none at all (no labels).
    QStringList PageLabels;
    // Written when a title is given.
    TPdfDocumentInfo Info;
};

// Joins parts, in order, adds navigation and writes the result to target
// through a temporary file beside it. Throws TListoraError for a part that
// is no PDF, navigation that names a page the document lacks, or a target
// that cannot be written.
void AssemblePdf(const std::vector<QByteArray>& parts, const TPdfNavigation& navigation,
                 const QString& target);

// Joins parts, in order, into one document at target; nothing is added.
void JoinPdfs(const std::vector<QByteArray>& parts, const QString& target);
