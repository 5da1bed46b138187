#include "render/PdfListing.h"

#include "platform/Version.h"
#include "render/PageOutput.h"
#include "render/PageStorage.h"

#include <QHash>

TPdfNavigation ListingNavigation(const TPageStorage& pages, const QString& title) {
    TPdfNavigation nav;
    QHash<QString, TPdfPlace> places;
    // Where the next bookmark of each level goes: the children of the
    // latest one a level up.
    std::vector<TPdfBookmark>* levels[3] = {&nav.Bookmarks, nullptr, nullptr};
    for (int n = 1; n <= pages.PageCount(); ++n) {
        const TPageRec& page = *pages.Page(n);
        const TPageNavigation& pn = page.Navigation;
        nav.PageLabels << (pn.Label.isEmpty() ? QString::number(n) : pn.Label);
        for (const TNavTarget& t : pn.Targets) {
            const TPdfPlace place{n - 1, t.X, t.Y};
            if (!places.contains(t.Key)) places.insert(t.Key, place);
            if (t.Title.isEmpty()) continue;
            // A level without a parent above it moves up to the nearest one.
            int level = qBound(0, t.Level, 2);
            while (level > 0 && !levels[level])
                --level;
            std::vector<TPdfBookmark>& siblings = *levels[level];
            siblings.push_back({t.Title, place, {}});
            if (level < 2) levels[level + 1] = &siblings.back().Children;
            for (int deeper = level + 2; deeper < 3; ++deeper)
                levels[deeper] = nullptr;
        }
    }
    for (int n = 1; n <= pages.PageCount(); ++n) {
        for (const TLinkArea& link : pages.Page(n)->Navigation.Links) {
            const auto it = places.constFind(link.Key);
            if (it == places.cend()) continue;
            nav.Links.push_back({n - 1, link.X1, link.Y1, link.X2, link.Y2, it.value()});
        }
    }
    nav.Info.Title = title;
    nav.Info.Subject = QStringLiteral("Visual Basic source listing");
    nav.Info.Creator = QStringLiteral("Listora ") + QLatin1String(kListoraVersion);
    nav.Info.Created = QDateTime::currentDateTime();
    return nav;
}

void WriteListingPdf(TPageStorage& pages, const QString& path, const QString& title, int jobs) {
    AssemblePdf(PagesToPdfParts(pages, jobs), ListingNavigation(pages, title), path);
}

void WritePlainPdf(TPageStorage& pages, const QString& path, int jobs) {
    if (jobs <= 1) {
        WritePagesToPdf(pages, path);
        return;
    }
    JoinPdfs(PagesToPdfParts(pages, jobs), path);
}
