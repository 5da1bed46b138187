#include "render/PageStorage.h"

#include "platform/Errors.h"

#include <QObject>
#include <QVariant>

#include <cmath>
#include <utility>

namespace {

std::unique_ptr<TPageRec> newPage(int number, TRecordingArena* commands, TRecordingArena* texts) {
    auto page = std::make_unique<TPageRec>();
    page->PageNumber = number;
    page->PageName = QStringLiteral("Page ") + QString::number(number);
    page->Canvas = std::make_unique<TVirtCanvas>(commands, texts);
    return page;
}

} // namespace

TPaperSize paperSize(TPaper paper) {
    switch (paper) {
    case TPaper::A4:
        return {794, 1123};
    case TPaper::Legal:
        return {816, 1344};
    default:
        return {kLetterWidth, kLetterHeight};
    }
}

bool paperFromName(const QString& name, TPaper& paper) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("letter"))
        paper = TPaper::Letter;
    else if (n == QLatin1String("a4"))
        paper = TPaper::A4;
    else if (n == QLatin1String("legal"))
        paper = TPaper::Legal;
    else
        return false;
    return true;
}

TPageStorage::TPageStorage() {
    auto first = newPage(1, commandArena_.get(), textArena_.get());
    first->Landscape = true;
    first->Width = kLetterHeight;
    first->Height = kLetterWidth;
    // The logical page only; the drawing state comes with ResetPageCanvas.
    first->Canvas->InitPage(first->Width, first->Height);
    pages_.push_back(std::move(first));
}

TPageStorage::~TPageStorage() = default;

bool TPageStorage::SetPageOrientation(bool landscape) {
    TPageRec& page = current();
    if (page.Canvas->CommandCount() != 0) return false;
    page.Landscape = landscape;
    page.Width = landscape ? paper_.Height : paper_.Width;
    page.Height = landscape ? paper_.Width : paper_.Height;
    const TFont font = page.Canvas->CurrentFont();
    const TPen pen = page.Canvas->CurrentPen();
    const TBrush brush = page.Canvas->CurrentBrush();
    page.Canvas->InitPage(page.Width, page.Height, &font, &pen, &brush);
    return true;
}

void TPageStorage::ResetPageCanvas(const TFont* font, const TPen* pen, const TBrush* brush) {
    TPageRec& page = current();
    page.Canvas->InitPage(page.Width, page.Height, font, pen, brush);
}

int TPageStorage::AddPage() {
    if (PageCount() >= kMaxListingPages)
        throw TListoraError(QStringLiteral("The listing runs past %1 pages, the most Listora "
                                           "lays out; print fewer files or sections.")
                                .arg(kMaxListingPages));
    TPageRec& prev = current();
    prev.Canvas->FinishRecording();
    auto page = newPage(PageCount() + 1, commandArena_.get(), textArena_.get());
    page->Canvas->ReserveLike(*prev.Canvas);
    const TFont font = prev.Canvas->CurrentFont();
    const TPen pen = prev.Canvas->CurrentPen();
    const TBrush brush = prev.Canvas->CurrentBrush();
    page->Canvas->InitPage(prev.Width, prev.Height, &font, &pen, &brush);
    page->Landscape = prev.Landscape;
    page->Height = prev.Height;
    page->Width = prev.Width;
    const int number = page->PageNumber;
    pages_.insert(pages_.begin() + std::ptrdiff_t(current_) + 1, std::move(page));
    ++current_;
    return number;
}

int TPageStorage::DeviceScaleX(double f) const {
    return static_cast<int>(std::lrint(-f));
}

int TPageStorage::DeviceScaleY(double f) const {
    return static_cast<int>(std::lrint(-f));
}

void TPageStorage::FirstPage() {
    current_ = 0;
}

int TPageStorage::NextPage() {
    if (current_ + 1 < pages_.size()) ++current_;
    return current().PageNumber;
}

int TPageStorage::PriorPage() {
    if (current_ > 0) --current_;
    return current().PageNumber;
}

int TPageStorage::GoToPage(int n) {
    current_ = 0;
    if (n == 9999) {
        current_ = pages_.size() - 1;
        return current().PageNumber;
    }
    while (current().PageNumber != n && current_ + 1 < pages_.size())
        ++current_;
    return current().PageNumber;
}

const TPageRec* TPageStorage::Page(int n) const {
    // Pages are numbered by their place; the search is for a store whose
    // numbers were changed by hand.
    if (n >= 1 && std::size_t(n) <= pages_.size() && pages_[std::size_t(n) - 1]->PageNumber == n)
        return pages_[std::size_t(n) - 1].get();
    for (const auto& p : pages_)
        if (p->PageNumber == n) return p.get();
    return nullptr;
}

TPageRec* TPageStorage::Page(int n) {
    return const_cast<TPageRec*>(std::as_const(*this).Page(n));
}

bool TPageStorage::SetPageMarked(int n, bool value) {
    TPageRec* page = Page(n);
    if (!page) return false;
    const bool old = page->Marked;
    page->Marked = value;
    return old;
}

bool TPageStorage::IsPageMarked(int n) const {
    const TPageRec* page = Page(n);
    return page && page->Marked;
}

bool TPageStorage::AnyPageMarked() {
    return MarkedPageCount() > 0;
}

int TPageStorage::MarkedPageCount() {
    int count = 0;
    for (const auto& p : pages_)
        if (p->Marked) ++count;
    return count;
}

void TPageStorage::ReleasePreviewImages() {
    for (auto& p : pages_) {
        if (!p->PreviewImage) continue;
        const QVariant tag = p->PreviewImage->property("tag");
        if (tag.isValid() && tag.toInt() < 0) continue;
        delete p->PreviewImage;
        p->PreviewImage = nullptr;
    }
}
