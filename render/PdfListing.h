#pragma once
// A listing as a PDF that a reader navigates: the pages played back as for
// print, then assembled with the bookmarks, links and page labels recorded
// beside them.
#include "render/PdfAssembly.h"

#include <QString>

class TPageStorage;

// The navigation recorded with the store's pages, in the assembly's terms:
// bookmarks nested by level (reports and project, files, procedures), the
// links whose target the listing holds, one label per page. title names
// the document.
TPdfNavigation ListingNavigation(const TPageStorage& pages, const QString& title);

// Writes the pages to path as a navigable PDF, played by jobs workers side
// by side (see PagesToPdfParts). Throws TListoraError when the file cannot
// be written.
void WriteListingPdf(TPageStorage& pages, const QString& path, const QString& title, int jobs = 1);
// The pages alone, without navigation: with one worker exactly what
// WritePagesToPdf writes, with more the workers' parts joined.
void WritePlainPdf(TPageStorage& pages, const QString& path, int jobs = 1);
