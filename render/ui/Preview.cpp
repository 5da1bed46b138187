#include "render/ui/Preview.h"

#include "platform/DrawSurface.h"
#include "platform/IniFile.h"
#include "platform/Rounding.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WindowPlacement.h"
#include "render/PageStorage.h"
#include "render/SheetCount.h"
#include "render/ui/PrintRun.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>
#include <cstdio>

namespace {

const QColor kGrey(128, 128, 128);
// Size, place and zoom of the window, kept for its next opening.
const QString kPreviewSection = QStringLiteral("PREVIEW");
const QColor kSilver(192, 192, 192);

struct TZoomEntry {
    const char* text;
    int factor;
};
// The two largest entries draw smaller than they say: a true 200 % page
// does not fit any screen.
constexpr TZoomEntry kZoomEntries[] = {
    {"200%", 130}, {"150%", 115}, {"100%", 100},      {"75%", 75},        {"50%", 50},
    {"25%", 25},   {"10%", 10},   {"Page Width", -1}, {"Whole Page", -2}, {"Two Pages", -3},
};
constexpr int kPageWidthZoom = -1;
constexpr int kWholePageZoom = -2;
constexpr int kTwoPagesZoom = -3;

// Small tool-bar pictures drawn here: the platform style has no printer
// or page-layout glyphs.
QIcon glyph(const std::function<void(QPainter&)>& draw) {
    // Drawn at twice the size, so they stay sharp on a scaled screen.
    QPixmap pm(40, 40);
    pm.setDevicePixelRatio(2);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(p);
    return QIcon(pm);
}

QIcon printGlyph() {
    return glyph([](QPainter& p) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(5, 2, 10, 7);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(2, 8, 16, 7);
        p.setBrush(Qt::white);
        p.drawRect(5, 13, 10, 5);
        p.fillRect(14, 10, 2, 2, Qt::green);
    });
}

QIcon pagesGlyph(int rows, int cols) {
    return glyph([rows, cols](QPainter& p) {
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        const int w = 16 / cols, h = 18 / rows;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                p.drawRect(2 + c * w, 1 + r * h, w - 2, h - 2);
    });
}

enum class TArrow { First, Previous, Next, Last, Exit };

// Navigation arrows in the palette's text colour, so they show on a light
// and on a dark palette alike.
QIcon arrowGlyph(TArrow kind, const QColor& ink);

// The arrow in the palette's text colours: enabled, and greyed when the
// command does not apply.
QIcon arrowIcon(TArrow kind, const QPalette& palette) {
    QIcon icon = arrowGlyph(kind, palette.color(QPalette::Active, QPalette::ButtonText));
    const QIcon greyed = arrowGlyph(kind, palette.color(QPalette::Disabled, QPalette::ButtonText));
    icon.addPixmap(greyed.pixmap(QSize(20, 20), 2.0), QIcon::Disabled);
    return icon;
}

QIcon arrowGlyph(TArrow kind, const QColor& ink) {
    return glyph([kind, ink](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const auto triangle = [&](qreal x, bool right) {
            QPainterPath path;
            path.moveTo(right ? x : x + 7, 4);
            path.lineTo(right ? x + 7 : x, 10);
            path.lineTo(right ? x : x + 7, 16);
            path.closeSubpath();
            p.drawPath(path);
        };
        switch (kind) {
        case TArrow::First:
            p.drawRect(QRectF(3, 4, 2, 12));
            triangle(6, false);
            triangle(11, false);
            break;
        case TArrow::Previous:
            triangle(5, false);
            triangle(10, false);
            break;
        case TArrow::Next:
            triangle(3, true);
            triangle(8, true);
            break;
        case TArrow::Last:
            triangle(2, true);
            triangle(7, true);
            p.drawRect(QRectF(15, 4, 2, 12));
            break;
        case TArrow::Exit:
            p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(5, 5), QPointF(15, 15));
            p.drawLine(QPointF(15, 5), QPointF(5, 15));
            break;
        }
    });
}

} // namespace

QCursor pageSelectCursor() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    // The sheet, with a tick on it.
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(12, 10, 15, 19);
    p.setPen(QPen(QColor(128, 0, 0), 2));
    p.drawLine(15, 20, 18, 24);
    p.drawLine(18, 24, 24, 14);
    // The arrow, hot spot at its tip.
    QPainterPath arrow;
    arrow.moveTo(0, 0);
    arrow.lineTo(0, 15);
    arrow.lineTo(4, 11);
    arrow.lineTo(7, 17);
    arrow.lineTo(9, 16);
    arrow.lineTo(6, 10);
    arrow.lineTo(11, 10);
    arrow.closeSubpath();
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.end();
    return QCursor(pm, 0, 0);
}

TPagePicture::TPagePicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int TPagePicture::PageTag() const {
    return property("tag").toInt();
}

void TPagePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), picture_);
}

void TPagePicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked(PageTag());
}

TfrmPreview::TfrmPreview(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("(Preview)"));
    setMinimumSize(230, 280);
    resize(640, 480);
    selectCursor_ = pageSelectCursor();

    // A main window inside the dialog gives the tool bar its docking.
    frame_ = new QMainWindow(nullptr);
    frame_->setWindowFlags(Qt::Widget);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame_);

    toolBar = new QToolBar(QStringLiteral("Preview Toolbar"), frame_);
    toolBar->setObjectName(QStringLiteral("tbPreview"));
    toolBar->setMovable(true);
    toolBar->setFloatable(true);
    frame_->addToolBar(Qt::TopToolBarArea, toolBar);
    auto add = [this](const QIcon& icon, const QString& hint, void (TfrmPreview::*slot)()) {
        QAction* a = toolBar->addAction(icon, hint);
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QStyle* st = style();
    actPrint = add(printGlyph(), QStringLiteral("Print"), &TfrmPreview::Print);
    actOnePage = add(pagesGlyph(1, 1), QStringLiteral("Single Page View"), &TfrmPreview::OnePage);
    actOnePage->setCheckable(true);
    actFourPages = add(pagesGlyph(2, 2), QStringLiteral("Four Page View"), &TfrmPreview::FourPages);
    actFourPages->setCheckable(true);
    cbZoom = new QComboBox(toolBar);
    cbZoom->setObjectName(QStringLiteral("cbZoom"));
    cbZoom->setToolTip(QStringLiteral("Zoom Control"));
    cbZoom->setEditable(true);
    cbZoom->setInsertPolicy(QComboBox::NoInsert);
    for (const TZoomEntry& e : kZoomEntries)
        cbZoom->addItem(QString::fromLatin1(e.text));
    cbZoom->setCurrentIndex(-1);
    cbZoom->setMinimumContentsLength(10);
    toolBar->addWidget(cbZoom);
    connect(cbZoom, &QComboBox::activated, this, [this](int) { ZoomChanged(); });
    actRedraw = add(st->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("Redraw"),
                    &TfrmPreview::ShowPages);
    const QPalette& pal = palette();
    actFirst = add(arrowIcon(TArrow::First, pal), QStringLiteral("First"), &TfrmPreview::First);
    actPrevious =
        add(arrowIcon(TArrow::Previous, pal), QStringLiteral("Previous"), &TfrmPreview::Previous);
    actNext = add(arrowIcon(TArrow::Next, pal), QStringLiteral("Next"), &TfrmPreview::Next);
    actLast = add(arrowIcon(TArrow::Last, pal), QStringLiteral("Last"), &TfrmPreview::Last);
    actExit = add(arrowIcon(TArrow::Exit, pal), QStringLiteral("Exit"), &TfrmPreview::Exit);

    sbPages = new QScrollArea(frame_);
    sbPages->setObjectName(QStringLiteral("sbPages"));
    // A fixed vertical bar keeps the box width the same whether or not the
    // pages are taller than the box.
    sbPages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sbPages->setWidgetResizable(false);
    sbPages->setBackgroundRole(QPalette::Mid);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    sbPages->setWidget(content);
    frame_->setCentralWidget(sbPages);
    sbPages->viewport()->installEventFilter(this);

    pnlStatus = new QWidget(frame_);
    // As tall as the interface font needs: a fixed height cut the text of
    // a large font.
    pnlStatus->setFixedHeight(std::max(22, fontMetrics().height() + 8));
    pnlHint = new QLabel(pnlStatus);
    pnlHint->setObjectName(QStringLiteral("pnlHint"));
    hint_ = QStringLiteral("Click a sheet to mark it for printing; Ctrl+wheel zooms");
    pnlHint->setText(hint_);
    pnlHint->setToolTip(hint_);
    pnlCurrentPage = new QLabel(pnlStatus);
    pnlCurrentPage->setObjectName(QStringLiteral("pnlCurrentPage"));
    pnlCurrentPage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlCurrentPage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pnlCurrentPage->installEventFilter(this);
    pnlTotalPages = new QLabel(pnlStatus);
    pnlTotalPages->setObjectName(QStringLiteral("pnlTotalPages"));
    pnlTotalPages->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlTotalPages->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    seGotoPage = new QSpinBox(pnlStatus);
    seGotoPage->setObjectName(QStringLiteral("seGotoPage"));
    seGotoPage->hide();
    seGotoPage->installEventFilter(this);
    frame_->statusBar()->addWidget(pnlStatus, 1);
    frame_->statusBar()->setSizeGripEnabled(false);

    pnlGrid = new QWidget(this);
    pnlGrid->hide();
    seRows = new QSpinBox(pnlGrid);
    seCols = new QSpinBox(pnlGrid);
    for (QSpinBox* s : {seRows, seCols}) {
        s->setRange(0, 3);
        s->setValue(1);
    }
}

TfrmPreview::~TfrmPreview() {
    if (filtering_) qApp->removeEventFilter(this);
    // Pictures only exist while the window is shown; a hidden window does
    // not touch the store, which may be gone by now.
    if (store_ && !sbPages->widget()->findChildren<TPagePicture*>().isEmpty())
        store_->ReleasePreviewImages();
}

void TfrmPreview::SetPageStorage(TPageStorage* store) {
    if (store_) store_->ReleasePreviewImages();
    store_ = store;
    const int count = store ? store->PageCount() : 0;
    // The counter names what it counts: sheets, and the pages they carry.
    pnlTotalPages->setText(store ? sheetCountText(countSheets(*store, false)) : QString());
    int captionWidth = 60;
    for (int n = 1; n <= count; ++n)
        captionWidth =
            std::max(captionWidth,
                     pnlCurrentPage->fontMetrics().horizontalAdvance(sheetCaption(*store, n)) + 12);
    pnlCurrentPage->setFixedWidth(captionWidth);
    pnlTotalPages->setFixedWidth(
        std::max(60, pnlTotalPages->fontMetrics().horizontalAdvance(pnlTotalPages->text()) + 12));
    layoutStatusPanels();
    actFourPages->setEnabled(count >= 3);
    actRedraw->setEnabled(count >= 3);
}

int TfrmPreview::ZoomFactor() const {
    const int i = cbZoom->currentIndex();
    if (i < 0 || i >= int(std::size(kZoomEntries))) return 50;
    return kZoomEntries[i].factor;
}

QSize TfrmPreview::PageBoxSize() const {
    return sbPages->viewport()->size();
}

QSize TfrmPreview::ScreenPageSize(bool landscape) const {
    const int dpiX = logicalDpiX(), dpiY = logicalDpiY();
    if (landscape) return {11 * dpiX, RoundEven(8.5 * dpiY)};
    return {RoundEven(8.5 * dpiX), 11 * dpiY};
}

TPagePicture* TfrmPreview::PictureOf(int n) const {
    if (!store_) return nullptr;
    const TPageRec* page = store_->Page(n);
    return page ? qobject_cast<TPagePicture*>(page->PreviewImage) : nullptr;
}

void TfrmPreview::setZoomText(double fraction) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%2.0f", fraction * 100);
    cbZoom->setEditText(QString::fromLatin1(buf) + QLatin1Char('%'));
}

void TfrmPreview::fitPage(int pw, int ph, int cellW, int cellH) {
    const double fx = 1 - double(pw - cellW) / pw;
    const double fy = 1 - double(ph - cellH) / ph;
    if (fx > fy) {
        sx_ = RoundEven(cellW - double(pw) / ph * cellH);
        sy_ = 0;
        hx_ = RoundEven(double(pw) / ph * cellH * 0.5);
        hy_ = 0;
        setZoomText(fy);
    } else {
        sx_ = 0;
        sy_ = RoundEven(cellH - double(ph) / pw * cellW);
        hx_ = 0;
        hy_ = RoundEven(double(ph) / pw * cellW * 0.5);
        setZoomText(fx);
    }
}

void TfrmPreview::ShowPages() {
    if (!store_) return;
    store_->ReleasePreviewImages();
    QWidget* box = sbPages->widget();
    box->update();

    const QSize pageSize = ScreenPageSize(store_->CurrentPage().Landscape);
    const int pw = pageSize.width(), ph = pageSize.height();
    if (seRows->value() == 0 || seCols->value() == 0) {
        seRows->setValue(0);
        seCols->setValue(0);
    }
    int rows = seRows->value(), cols = seCols->value();
    const QSize boxSize = PageBoxSize();
    const int boxW = boxSize.width(), boxH = boxSize.height();
    sx_ = sy_ = hx_ = hy_ = 0;
    int cellW = 0, cellH = 0;
    auto gridCell = [&] {
        cellW = RoundEven(double(boxW - 30 - 15 * cols) / cols);
        cellH = RoundEven(double(boxH - 40 - 15 * rows) / rows);
    };
    if (rows == 0 && cols == 0) {
        const int z = ZoomFactor();
        if (z == kPageWidthZoom) {
            rows = cols = 1;
            cellW = boxW - 30;
            cellH = RoundEven(double(ph) / pw * cellW);
            setZoomText(double(cellW) / pw);
        } else if (z == kWholePageZoom || z == kTwoPagesZoom) {
            rows = 1;
            cols = z == kWholePageZoom ? 1 : 2;
            gridCell();
            fitPage(pw, ph, cellW, cellH);
        } else {
            cellW = RoundEven(z * 0.01 * pw);
            cellH = RoundEven(z * 0.01 * ph);
            rows = 1;
            if (boxW * 0.5 < cellW || boxH < cellH)
                cols = 1;
            else
                cols = std::max(1, int(std::trunc(double(boxW - 15) / (cellW + 15))));
            if (cols > 1) fitPage(pw, ph, cellW, cellH);
        }
    } else {
        gridCell();
        fitPage(pw, ph, cellW, cellH);
    }
    // Pages are centred in their cells by the slack alone: moving them on by
    // half a page as well pushed the Two Pages view off the box.
    hx_ = hy_ = 0;

    firstShown_ = store_->CurrentPageNumber();
    actOnePage->setChecked(rows + cols == 2);
    actFourPages->setChecked(rows + cols != 2);

    QSize extent(boxW, boxH);
    int k = firstShown_;
    for (int row = 1; row <= rows; ++row) {
        for (int col = 1; col <= cols && store_->PageCount() >= k; ++col) {
            const int x1 = RoundEven(sx_ * 0.5) + (col - 1) * cellW + 15 + hx_;
            const int y1 = RoundEven(sy_ * 0.5) + (row - 1) * cellH + 20 + hy_;
            const int x2 = col * cellW + hx_ - RoundEven(sx_ * 0.5);
            const int y2 = row * cellH + 5 + hy_ - RoundEven(sy_ * 0.5);
            shadow_ = int(std::trunc((1 - double(pw - (x2 - x1)) / pw) * 14));

            TPageRec& page = store_->CurrentPage();
            auto* picture = qobject_cast<TPagePicture*>(page.PreviewImage);
            if (!picture) {
                picture = new TPagePicture(box);
                page.PreviewImage = picture;
                connect(picture, &TPagePicture::clicked, this, &TfrmPreview::ToggleMark);
            }
            ++k;
            const int w = std::max(1, std::abs(x2 - x1)), h = std::max(1, std::abs(y2 - y1));
            picture->setGeometry(x1, y1, w, h);
            picture->setToolTip(page.PageName);
            picture->setProperty("tag", page.PageNumber);
            picture->setCursor(selectCursor_);
            lastShown_ = page.PageNumber;

            // Drawn in device pixels, so pages stay sharp on a scaled screen.
            const qreal dpr = devicePixelRatioF();
            picture->Picture() = QImage(qRound(w * dpr), qRound(h * dpr), QImage::Format_RGB32);
            paintPicture(*picture, page.Marked, shadow_);
            {
                TDrawSurface surface(&picture->Picture(), &picture->Picture());
                page.Canvas->PlayBack(surface, true, 0, 0, false, 0, 0, nullptr);
            }
            picture->Picture().setDevicePixelRatio(dpr);
            picture->show();
            extent = extent.expandedTo(QSize(x1 + w + 15, y1 + h + 15));
            store_->NextPage();
        }
        if (store_->PageCount() < k) break;
    }
    box->resize(extent);
    updateNavigation();
    store_->GoToPage(firstShown_);
    pnlCurrentPage->setText(sheetCaption(*store_, firstShown_));
}

void TfrmPreview::paintPicture(TPagePicture& picture, bool marked, int shadow) {
    QImage& img = picture.Picture();
    shadow = qRound(shadow * devicePixelRatioF());
    QPainter p(&img);
    p.fillRect(img.rect(), marked ? markColour_ : kGrey);
    p.fillRect(QRect(0, 0, img.width() - shadow, img.height() - shadow), Qt::white);
    p.fillRect(QRect(0, img.height() - shadow, shadow, shadow), kSilver);
    p.fillRect(QRect(img.width() - shadow, 0, shadow, shadow), kSilver);
}

void TfrmPreview::paintShadow(TPagePicture& picture, bool marked, int shadow) {
    QImage& img = picture.Picture();
    // In device pixels, as the picture was drawn.
    const qreal dpr = img.devicePixelRatio();
    img.setDevicePixelRatio(1);
    shadow = qRound(shadow * dpr);
    {
        QPainter p(&img);
        const QColor c = marked ? markColour_ : kGrey;
        p.fillRect(QRect(img.width() - shadow, 0, shadow, img.height()), c);
        p.fillRect(QRect(0, img.height() - shadow, img.width(), shadow), c);
        p.fillRect(QRect(0, img.height() - shadow, shadow, shadow), kSilver);
        p.fillRect(QRect(img.width() - shadow, 0, shadow, shadow), kSilver);
    }
    img.setDevicePixelRatio(dpr);
}

void TfrmPreview::ZoomStep(int direction) {
    // The percentage in view, whatever chose it (an entry or a fit).
    const QString shown = cbZoom->currentText().trimmed().remove(QLatin1Char('%'));
    bool ok = false;
    const double current = shown.toDouble(&ok);
    // Entries 0..6 are percentages, largest first.
    int chosen = -1;
    for (int i = 6; i >= 0; --i) {
        const double percent = QString::fromLatin1(kZoomEntries[i].text).chopped(1).toDouble();
        if (direction > 0 && (!ok || percent > current + 0.5)) {
            chosen = i;
            break;
        }
    }
    if (direction < 0)
        for (int i = 0; i <= 6; ++i) {
            const double percent = QString::fromLatin1(kZoomEntries[i].text).chopped(1).toDouble();
            if (!ok || percent < current - 0.5) {
                chosen = i;
                break;
            }
        }
    if (chosen < 0) return;
    cbZoom->setCurrentIndex(chosen);
    ZoomChanged();
}

void TfrmPreview::updateNavigation() {
    const bool atFirst = firstShown_ == 1;
    const bool atLast = firstShown_ == store_->PageCount();
    actFirst->setEnabled(!atFirst);
    actPrevious->setEnabled(!atFirst);
    actNext->setEnabled(!atLast);
    actLast->setEnabled(!atLast);
}

void TfrmPreview::Print() {
    if (!store_) return;
    if (printHandler)
        printHandler(*store_, this);
    else
        lastOutcome_ = PrintOnPrinter(*store_, true, QStringLiteral("Listora"), this, nullptr,
                                      nullptr, DocumentTitle, SourcePath);
    if (!lastOutcome_.PdfFile.isEmpty())
        SetHint(
            QStringLiteral("Written to %1")
                .arg(QDir::toNativeSeparators(QFileInfo(lastOutcome_.PdfFile).absoluteFilePath())));
}

void TfrmPreview::OnePage() {
    seRows->setValue(1);
    seCols->setValue(1);
    ShowPages();
}

void TfrmPreview::FourPages() {
    seRows->setValue(2);
    seCols->setValue(2);
    ShowPages();
}

void TfrmPreview::ZoomChanged() {
    seRows->setValue(0);
    seCols->setValue(0);
    ShowPages();
}

void TfrmPreview::First() {
    if (!store_) return;
    store_->GoToPage(1);
    ShowPages();
}

void TfrmPreview::Previous() {
    if (!store_ || store_->CurrentPageNumber() <= 1) return;
    store_->PriorPage();
    ShowPages();
}

void TfrmPreview::Next() {
    if (!store_ || store_->PageCount() <= store_->CurrentPageNumber() || busy_) return;
    busy_ = true;
    store_->NextPage();
    ShowPages();
    busy_ = false;
}

void TfrmPreview::Last() {
    if (!store_) return;
    store_->GoToPage(store_->PageCount());
    ShowPages();
}

void TfrmPreview::Exit() {
    // Back to its place at the top, docked, for the next time.
    if (toolBar->isFloating() || frame_->toolBarArea(toolBar) != Qt::TopToolBarArea)
        frame_->addToolBar(Qt::TopToolBarArea, toolBar);
    close();
}

void TfrmPreview::ToggleMark(int page) {
    if (!store_) return;
    const bool marked = !store_->IsPageMarked(page);
    store_->SetPageMarked(page, marked);
    if (TPagePicture* picture = PictureOf(page)) {
        paintShadow(*picture, marked, shadow_);
        picture->update();
    }
}

void TfrmPreview::OpenPageEditor() {
    if (!store_ || store_->PageCount() <= 1) return;
    seGotoPage->setGeometry(pnlCurrentPage->geometry());
    seGotoPage->setRange(1, store_->PageCount());
    seGotoPage->setValue(store_->CurrentPageNumber());
    seGotoPage->show();
    pnlCurrentPage->hide();
    seGotoPage->setFocus();
    seGotoPage->selectAll();
    editing_ = true;
}

void TfrmPreview::closePageEditor(bool commit) {
    if (!editing_) return;
    editing_ = false; // first: hiding the editor moves the focus away again
    if (commit && store_) {
        bool ok = false;
        int value = seGotoPage->text().trimmed().toInt(&ok);
        if (!ok) value = store_->CurrentPageNumber();
        if (value != store_->CurrentPageNumber()) {
            value = std::clamp(value, 1, store_->PageCount());
            store_->GoToPage(value);
            seRows->setValue(1);
            seCols->setValue(1);
            ShowPages();
        }
    }
    seGotoPage->hide();
    pnlCurrentPage->show();
}

bool TfrmPreview::editorKey(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        closePageEditor(true);
        return true;
    case Qt::Key_Escape:
        closePageEditor(false);
        return true;
    default:
        return false;
    }
}

bool TfrmPreview::previewKey(QKeyEvent* event) {
    if (editing_ && editorKey(event)) return true;
    if (event->modifiers() & Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_Home:
            First();
            return true;
        case Qt::Key_End:
            Last();
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            ZoomStep(+1);
            return true;
        case Qt::Key_Minus:
            ZoomStep(-1);
            return true;
        default:
            return false;
        }
    }
    switch (event->key()) {
    case Qt::Key_PageUp:
        Previous();
        return true;
    case Qt::Key_PageDown:
        Next();
        return true;
    case Qt::Key_Escape:
        if (!editing_) close();
        return true;
    case Qt::Key_Home:
        // Typed into the zoom box, the key moves its cursor.
        if (focusWidget() == cbZoom || cbZoom->isAncestorOf(focusWidget())) return false;
        close();
        return true;
    default:
        return false;
    }
}

bool TfrmPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlCurrentPage && event->type() == QEvent::MouseButtonDblClick) {
        OpenPageEditor();
        return true;
    }
    if (watched == sbPages->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (wheel->angleDelta().y() != 0) ZoomStep(wheel->angleDelta().y() > 0 ? +1 : -1);
            return true;
        }
    }
    if (watched == seGotoPage && event->type() == QEvent::FocusOut && editing_) {
        closePageEditor(true);
        return false;
    }
    // Every key reaches the window before the control that has the focus.
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) return previewKey(static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmPreview::keyPressEvent(QKeyEvent* event) {
    if (!previewKey(event)) QDialog::keyPressEvent(event);
}

void TfrmPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutStatusPanels();
    if (isVisible()) ShowPages();
}

void TfrmPreview::SetHint(const QString& text) {
    hint_ = text;
    pnlHint->setToolTip(text);
    layoutStatusPanels();
}

void TfrmPreview::layoutStatusPanels() {
    const int right = pnlStatus->width();
    pnlTotalPages->move(right - 3 - pnlTotalPages->width(), 0);
    pnlCurrentPage->move(right - 8 - pnlTotalPages->width() - pnlCurrentPage->width(), 0);
    pnlTotalPages->setFixedHeight(pnlStatus->height());
    pnlCurrentPage->setFixedHeight(pnlStatus->height());
    pnlHint->setGeometry(4, 0, std::max(0, pnlCurrentPage->x() - 8), pnlStatus->height());
    // A narrow window shows as much of the hint as fits, and says it is cut.
    pnlHint->setText(pnlHint->fontMetrics().elidedText(hint_, Qt::ElideRight, pnlHint->width()));
    if (editing_) seGotoPage->setGeometry(pnlCurrentPage->geometry());
}

void TfrmPreview::restoreView() {
    const TIniFile ini;
    const int width = ini.readInteger(kPreviewSection, QStringLiteral("Width"), -1);
    const int height = ini.readInteger(kPreviewSection, QStringLiteral("Height"), -1);
    if (width <= 0 || height <= 0) {
        // The first time: a document viewer's size, most of the screen, so
        // that a page can be read without zooming.
        if (QScreen* screen = this->screen()) {
            const QRect available = screen->availableGeometry();
            QRect client(QPoint(), QSize(available.width() * 4 / 5, available.height() * 9 / 10)
                                       .expandedTo(minimumSize()));
            client.moveCenter(available.center());
            setGeometry(client);
        }
    } else {
        QRect client(ini.readInteger(kPreviewSection, QStringLiteral("X"), x()),
                     ini.readInteger(kPreviewSection, QStringLiteral("Y"), y()),
                     std::max(width, minimumWidth()), std::max(height, minimumHeight()));
        QScreen* screen = QGuiApplication::screenAt(client.center());
        if (!screen) screen = this->screen();
        if (screen) {
            const QRect available = screen->availableGeometry();
            client.setSize(client.size().boundedTo(available.size()));
            if (canPlaceWindows())
                client.moveTopLeft(placeOnScreen(client, QMargins(), available));
            else
                client.moveTopLeft(geometry().topLeft());
        }
        setGeometry(client);
    }
    fitOnScreen(*this);
    const int zoom = ini.readInteger(kPreviewSection, QStringLiteral("Zoom"), -1);
    if (zoom >= 0 && zoom < cbZoom->count()) {
        cbZoom->setCurrentIndex(zoom);
        seRows->setValue(0);
        seCols->setValue(0);
    } else {
        seRows->setValue(
            std::clamp(ini.readInteger(kPreviewSection, QStringLiteral("Rows"), 1), 1, 3));
        seCols->setValue(
            std::clamp(ini.readInteger(kPreviewSection, QStringLiteral("Cols"), 1), 1, 3));
    }
}

void TfrmPreview::storeView() {
    try {
        TIniFile ini;
        ini.beginBatch();
        ini.writeInteger(kPreviewSection, QStringLiteral("X"), geometry().x());
        ini.writeInteger(kPreviewSection, QStringLiteral("Y"), geometry().y());
        ini.writeInteger(kPreviewSection, QStringLiteral("Width"), width());
        ini.writeInteger(kPreviewSection, QStringLiteral("Height"), height());
        const bool zoomed = seRows->value() == 0 || seCols->value() == 0;
        ini.writeInteger(kPreviewSection, QStringLiteral("Zoom"),
                         zoomed ? cbZoom->currentIndex() : -1);
        ini.writeInteger(kPreviewSection, QStringLiteral("Rows"), seRows->value());
        ini.writeInteger(kPreviewSection, QStringLiteral("Cols"), seCols->value());
        ini.commitBatch();
    } catch (const std::exception&) {
        // Only the next opening's size and zoom are lost.
    }
}

void TfrmPreview::showEvent(QShowEvent* event) {
    if (!viewRestored_) {
        viewRestored_ = true;
        restoreView();
    }
    QDialog::showEvent(event);
    if (!filtering_) {
        qApp->installEventFilter(this);
        filtering_ = true;
    }
    layoutStatusPanels();
    ShowPages();
}

void TfrmPreview::hideEvent(QHideEvent* event) {
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
    closePageEditor(false);
    if (store_) store_->ReleasePreviewImages();
    unsetCursor();
    if (viewRestored_) storeView();
    QDialog::hideEvent(event);
}

TPrintPreview::TPrintPreview(QWidget* owner) : QObject(owner), form_(new TfrmPreview(owner)) {
    form_->SetMarkColour(QColor(128, 0, 0));
    form_->SetSelectCursor(pageSelectCursor());
}

TPrintPreview::~TPrintPreview() {
    delete form_;
}

int TPrintPreview::SetPageStorage(TPageStorage* store) {
    form_->SetPageStorage(store);
    return 1;
}

void TPrintPreview::Show() {
    if (TPageStorage* store = form_->PageStorage()) store->FirstPage();
    execModal(*form_);
}

void TPrintPreview::SetCaption(const QString& text) {
    form_->setWindowTitle(text + QStringLiteral(" (Preview)"));
    form_->DocumentTitle = QFileInfo(text).fileName();
}
