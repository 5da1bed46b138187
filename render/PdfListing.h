#pragma once
// A listing as a PDF that a reader navigates: the pages played back as for
// print, then assembled with the bookmarks, links and page labels recorded
// beside them.
#include "render/PdfAssembly.h"

#include <QString>

#include <vector>

class TPageStorage;

// The navigation recorded with the store's pages, in the assembly's terms:
// bookmarks nested by level (reports and project, files, procedures), the
// links whose target the listing holds, one label per page. title names
// the document.
TPdfNavigation ListingNavigation(const TPageStorage& pages, const QString& title);
// The same for some of the pages (store page numbers, ascending), as they
// follow each other in the document: bookmarks on pages left out are
// dropped (a procedure then hangs under the heading above its file), and
// so are links into them.
TPdfNavigation ListingNavigation(const TPageStorage& pages, const QString& title,
                                 const std::vector<int>& pageNumbers);

// Writes the pages to path as a navigable PDF, played by jobs workers side
// by side (see PagesToPdfParts). Throws TListoraError when the file cannot
// be written.
void WriteListingPdf(TPageStorage& pages, const QString& path, const QString& title, int jobs = 1);
// Writes only the given pages (store page numbers, ascending).
void WriteListingPdf(TPageStorage& pages, const std::vector<int>& pageNumbers, const QString& path,
                     const QString& title);
// The pages alone, without navigation: with one worker exactly what
// WritePagesToPdf writes, with more the workers' parts joined.
void WritePlainPdf(TPageStorage& pages, const QString& path, int jobs = 1);
