#include "render/PdfListing.h"

#include "platform/Version.h"
#include "render/PageOutput.h"
#include "render/PageStorage.h"

#include <QHash>

#include <algorithm>
#include <numeric>

TPdfNavigation ListingNavigation(const TPageStorage& pages, const QString& title) {
    std::vector<int> all(std::size_t(std::max(0, pages.PageCount())));
    std::iota(all.begin(), all.end(), 1);
    return ListingNavigation(pages, title, all);
}

TPdfNavigation ListingNavigation(const TPageStorage& pages, const QString& title,
                                 const std::vector<int>& pageNumbers) {
    TPdfNavigation nav;
    // Where each key leads: its first target. Filled from the last page
    // back, so that the first target of a key is the one kept, with one
    // lookup each; the cross-reference brings tens of thousands of them.
    QHash<QString, TPdfPlace> places;
    std::size_t targets = 0, links = 0;
    for (const int n : pageNumbers) {
        targets += pages.Page(n)->Navigation.Targets.size();
        links += pages.Page(n)->Navigation.Links.size();
    }
    places.reserve(qsizetype(targets));
    for (std::size_t at = pageNumbers.size(); at-- > 0;) {
        const std::vector<TNavTarget>& onPage = pages.Page(pageNumbers[at])->Navigation.Targets;
        for (auto t = onPage.rbegin(); t != onPage.rend(); ++t)
            places.insert(t->Key, TPdfPlace{int(at), t->X, t->Y});
    }
    nav.Links.reserve(links);
    // Where the next bookmark of each level goes: the children of the
    // latest one a level up.
    std::vector<TPdfBookmark>* levels[3] = {&nav.Bookmarks, nullptr, nullptr};
    for (std::size_t at = 0; at < pageNumbers.size(); ++at) {
        const int n = pageNumbers[at];
        const TPageRec& page = *pages.Page(n);
        const TPageNavigation& pn = page.Navigation;
        nav.PageLabels << (pn.Label.isEmpty() ? QString::number(n) : pn.Label);
        for (const TNavTarget& t : pn.Targets) {
            if (t.Title.isEmpty()) continue;
            const TPdfPlace place{int(at), t.X, t.Y};
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
        // The next page's bookmarks must not hang under one whose own page
        // was left out between them.
        if (at + 1 < pageNumbers.size() && pageNumbers[at + 1] != n + 1) {
            for (int skipped = n + 1; skipped < pageNumbers[at + 1]; ++skipped)
                for (const TNavTarget& t : pages.Page(skipped)->Navigation.Targets)
                    if (!t.Title.isEmpty())
                        for (int deeper = qBound(0, t.Level, 2) + 1; deeper < 3; ++deeper)
                            levels[deeper] = nullptr;
        }
    }
    for (std::size_t at = 0; at < pageNumbers.size(); ++at) {
        for (const TLinkArea& link : pages.Page(pageNumbers[at])->Navigation.Links) {
            const auto it = places.constFind(link.Key);
            if (it == places.cend()) continue;
            nav.Links.push_back({int(at), link.X1, link.Y1, link.X2, link.Y2, it.value()});
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
    bool anyPlainText = false;
    for (int n = 1; n <= pages.PageCount(); ++n)
        anyPlainText = anyPlainText || pages.Page(n)->PlainText;
    if (jobs <= 1 && !anyPlainText) {
        WritePagesToPdf(pages, path);
        return;
    }
    JoinPdfs(PagesToPdfParts(pages, jobs), path);
}

void WriteListingPdf(TPageStorage& pages, const std::vector<int>& pageNumbers, const QString& path,
                     const QString& title) {
    // One part per run of consecutive pages.
    std::vector<QByteArray> parts;
    for (std::size_t i = 0; i < pageNumbers.size();) {
        std::size_t j = i + 1;
        while (j < pageNumbers.size() && pageNumbers[j] == pageNumbers[j - 1] + 1)
            ++j;
        for (QByteArray& part : PagesToPdfRuns(pages, pageNumbers[i], pageNumbers[j - 1]))
            parts.push_back(std::move(part));
        i = j;
    }
    AssemblePdf(parts, ListingNavigation(pages, title, pageNumbers), path);
}
