#include "settings/ui/PageSetupDialog.h"

#include "format/ListingSettings.h"
#include "platform/DrawSurface.h"
#include "platform/HelpBook.h"
#include "platform/IniFile.h"
#include "platform/Rounding.h"
#include "platform/ui/ModalRunner.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kHelpContext = helpcontext::PageSetup;
const QString kMargins = QStringLiteral("MARGINS");
const QString kPageLayout = QStringLiteral("PAGELAYOUT");
// The formatter's margins, hundredths of an inch.
const QString kFormatterMargins = QStringLiteral("margins");

QString formatterDefault(const QString& section, const char* key) {
    return listingSettingDefault(section, QLatin1String(key)).value_or(QString());
}

RMargins heldFromPrinted(const RMargins& hundredths) {
    return {heldMarginFromFormatter(hundredths.Left), heldMarginFromFormatter(hundredths.Top),
            heldMarginFromFormatter(hundredths.Right), heldMarginFromFormatter(hundredths.Bottom)};
}

// A margin the user left alone keeps its exact hundredths; the dialog only
// holds tenths.
// Either way within what the listing accepts, so that it never has to
// raise a margin the dialog wrote.
int printedMargin(int held, int printedBefore) {
    return qBound(kMinMargin,
                  held == heldMarginFromFormatter(printedBefore) ? printedBefore
                                                                 : formatterMarginFromHeld(held),
                  kMaxMargin);
}

} // namespace

// --- the margins editor -----------------------------------------------------

TPageSetupDialog::TPageSetupDialog(QObject* parent) : QObject(parent) {}

void TPageSetupDialog::setOptions(TPageSetupOptions options) {
    const TPageSetupOptions added = options & ~options_;
    if (added & psoHundredthsOfMillimeters) options &= ~psoThousandthsOfInches;
    if (added & psoThousandthsOfInches) options &= ~psoHundredthsOfMillimeters;
    if (added & psoMinMargins) options &= ~psoDefaultMinMargins;
    if (added & psoDefaultMinMargins) options &= ~psoMinMargins;
    options_ = options;
}

int TPageSetupDialog::PaperWidth() const {
    return millimetres() ? 21590 : 8500;
}

int TPageSetupDialog::PaperLength() const {
    return millimetres() ? 27940 : 11000;
}

bool TPageSetupDialog::Execute(QWidget* owner) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Margins"));
    // Wide enough for the window system to show the whole title.
    dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(QLatin1Char('M')) * 22);
    const bool mm = millimetres();
    // The fields show inches or millimetres; the properties keep integers.
    const double scale = mm ? 100.0 : 1000.0;
    const bool minimums = options_ & psoMinMargins;
    auto* form = new QFormLayout;
    int* values[] = {&MarginLeft, &MarginTop, &MarginRight, &MarginBottom};
    const int mins[] = {MinMarginLeft, MinMarginTop, MinMarginRight, MinMarginBottom};
    const QString names[] = {QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Right"),
                             QStringLiteral("Bottom")};
    QDoubleSpinBox* fields[4];
    for (int i = 0; i < 4; ++i) {
        fields[i] = new QDoubleSpinBox(&dialog);
        fields[i]->setDecimals(mm ? 1 : 2);
        fields[i]->setSuffix(mm ? QStringLiteral(" mm") : QStringLiteral(" in"));
        const int across = (i % 2 == 0 ? PaperWidth() : PaperLength()) / 2;
        // Never below what the listing accepts (in the field's unit).
        const double lowest = kMinMargin / 100.0 * (mm ? 25.4 : 1.0);
        fields[i]->setRange(qMax(minimums ? mins[i] / scale : 0.0, lowest), across / scale);
        fields[i]->setValue(*values[i] / scale);
        fields[i]->setEnabled(!(options_ & psoDisableMargins));
        form->addRow(names[i], fields[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const int defaults[] = {DefaultLeft, DefaultTop, DefaultRight, DefaultBottom};
    if (std::all_of(std::begin(defaults), std::end(defaults), [](int v) { return v >= 0; })) {
        QPushButton* restore = buttons->addButton(QDialogButtonBox::RestoreDefaults);
        connect(restore, &QPushButton::clicked, &dialog, [fields, defaults, scale] {
            for (int i = 0; i < 4; ++i)
                fields[i]->setValue(defaults[i] / scale);
        });
    }
    auto* layout = new QVBoxLayout(&dialog);
    auto* group = new QGroupBox(QStringLiteral("Margins"), &dialog);
    group->setLayout(form);
    layout->addWidget(group);
    layout->addWidget(buttons);
    if (execModal(dialog) != QDialog::Accepted) return false;
    for (int i = 0; i < 4; ++i)
        *values[i] = qRound(fields[i]->value() * scale);
    return true;
}

// --- drag and drop of the variables -----------------------------------------

TVariablePanel::TVariablePanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setMargin(3);
    setCursor(Qt::OpenHandCursor);
}

QString TVariablePanel::mimeType() {
    return QStringLiteral("application/x-listora-variable");
}

QMimeData* TVariablePanel::createMimeData() const {
    auto* mime = new QMimeData;
    mime->setData(mimeType(), text().toUtf8());
    return mime;
}

void TVariablePanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked(text());
}

void TVariablePanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(createMimeData());
    drag->setPixmap(grab());
    drag->exec(Qt::CopyAction);
}

void TTemplateEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(TVariablePanel::mimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TTemplateEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(TVariablePanel::mimeType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TTemplateEdit::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasFormat(TVariablePanel::mimeType())) {
        event->ignore();
        return;
    }
    const QString caption = QString::fromUtf8(event->mimeData()->data(TVariablePanel::mimeType()));
    // The variable goes where it is dropped, as dropped text would.
    setCursorPosition(cursorPositionAt(event->position().toPoint()));
    insertVariable(caption);
    event->acceptProposedAction();
}

void TTemplateEdit::insertVariable(const QString& panelCaption) {
    // Only the variable ("%d") of the panel's caption is taken.
    insert(panelCaption.left(2));
}

// --- the page setup dialog ----------------------------------------------------

TDlgPageSetup::TDlgPageSetup(QWidget* owner)
    : TSettingsDialog(QStringLiteral("Listora - Page Setup"), kHelpContext, owner) {
    runMarginsEditor = [](TPageSetupDialog& editor, QWidget* parent) {
        return editor.Execute(parent);
    };
    tabs = new QTabWidget(this);
    tabs->addTab(layoutPage(), QStringLiteral("Page Layout"));
    tabs->addTab(headerFooterPage(), QStringLiteral("Header/Footer"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttonBox());
    takeListingDefaults();
    loadPageSetup();
    lastTemplate_ = nullptr;
}

QWidget* TDlgPageSetup::layoutPage() {
    auto* page = new QWidget;
    auto* pages = new QGroupBox(QStringLiteral("Pages per Sheet"), page);
    rbOnePage = new TINIRadioButton(QStringLiteral("One Page (Portrait)"), pages);
    rbTwoPage = new TINIRadioButton(QStringLiteral("Two Pages (Landscape)"), pages);
    rbOnePage->INISection = rbTwoPage->INISection = kPageLayout;
    rbOnePage->INIKeyword = QStringLiteral("OnePage");
    rbTwoPage->INIKeyword = QStringLiteral("TwoPage");
    auto* pagesLayout = new QVBoxLayout(pages);
    pagesLayout->addWidget(rbOnePage);
    pagesLayout->addWidget(rbTwoPage);
    connect(rbTwoPage, &QRadioButton::toggled, this, [this] { drawPreview(); });

    cbPageNumType = new TINIComboBox(page);
    cbPageNumType->INISection = kPageLayout;
    cbPageNumType->INIKeyword = QStringLiteral("PageNumType");
    cbPageNumType->INISaveIndex = true;
    cbPageNumType->addItems(
        {QStringLiteral("Page"), QStringLiteral("Window"), QStringLiteral("None")});
    cbPaper = new TINIComboBox(page);
    cbPaper->INISection = kPageLayout;
    cbPaper->INIKeyword = QStringLiteral("Paper");
    cbPaper->INISaveIndex = true;
    cbPaper->addItems({QStringLiteral("Letter"), QStringLiteral("A4"), QStringLiteral("Legal")});
    connect(cbPaper, &QComboBox::currentIndexChanged, this, [this] { drawPreview(); });

    auto* unitsBox = new QGroupBox(QStringLiteral("Units"), page);
    rbInches = new QRadioButton(QStringLiteral("In"), unitsBox);
    rbMillimetres = new QRadioButton(QStringLiteral("mm"), unitsBox);
    rbInches->setChecked(true);
    auto* unitsLayout = new QHBoxLayout(unitsBox);
    unitsLayout->addWidget(rbInches);
    unitsLayout->addWidget(rbMillimetres);
    btnSetupMargins = new QPushButton(QStringLiteral("Setup Margins..."), page);
    connect(btnSetupMargins, &QPushButton::clicked, this, &TDlgPageSetup::setupMargins);

    imgPreview = new QLabel(page);
    imgPreview->setFixedSize(195, 195);
    imgPreview->setAlignment(Qt::AlignCenter);
    imgPreview->setFrameShape(QFrame::StyledPanel);

    auto* left = new QVBoxLayout;
    left->addWidget(pages);
    auto* numbers = new QFormLayout;
    numbers->addRow(new QLabel(QStringLiteral("Portrait Page Number Style"), page));
    numbers->addRow(cbPageNumType);
    numbers->addRow(new QLabel(QStringLiteral("Paper"), page));
    numbers->addRow(cbPaper);
    left->addLayout(numbers);
    left->addWidget(unitsBox);
    left->addWidget(btnSetupMargins);
    left->addStretch();
    auto* row = new QHBoxLayout(page);
    row->addLayout(left);
    row->addWidget(imgPreview, 0, Qt::AlignTop);
    return page;
}

QWidget* TDlgPageSetup::headerFooterPage() {
    auto* page = new QWidget;
    txtHeader = new TTemplateEdit(page);
    txtFooter = new TTemplateEdit(page);
    txtHeader->INISection = txtFooter->INISection = kPageLayout;
    txtHeader->INIKeyword = QStringLiteral("Header");
    txtFooter->INIKeyword = QStringLiteral("Footer");
    for (TTemplateEdit* field : {txtHeader, txtFooter}) {
        field->setMaxLength(24);
        field->setAcceptDrops(true);
        connect(field, &QLineEdit::cursorPositionChanged, this,
                [this, field] { lastTemplate_ = field; });
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Header"), txtHeader);
    form->addRow(QStringLiteral("Footer"), txtFooter);

    auto* variables = new QGroupBox(QStringLiteral("Accepted Variables"), page);
    auto* grid = new QVBoxLayout(variables);
    grid->addWidget(new QLabel(QStringLiteral("(Drag && Drop)").replace("&&", "&"), variables));
    const QString captions[] = {
        QStringLiteral("%f - File Name"), QStringLiteral("%d - Date & Time"),
        QStringLiteral("%s - Current Sub"), QStringLiteral("%p - Page Number")};
    for (int i = 0; i < 4; ++i) {
        pnlVariables[i] = new TVariablePanel(captions[i], variables);
        pnlVariables[i]->setToolTip(
            QStringLiteral("Drag onto the header or footer, or double-click to insert it at "
                           "the cursor of the field last used"));
        // A double click inserts at the cursor of the template field that
        // had the focus last (the header at first).
        connect(pnlVariables[i], &TVariablePanel::doubleClicked, this,
                [this](const QString& caption) {
                    TTemplateEdit* field = lastTemplate_ ? lastTemplate_.data() : txtHeader;
                    field->insertVariable(caption);
                    field->setFocus();
                });
        grid->addWidget(pnlVariables[i]);
    }
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(variables);
    layout->addStretch();
    return page;
}

int TDlgPageSetup::units() const {
    return rbMillimetres->isChecked() ? muMillimetres : muInches;
}

void TDlgPageSetup::loadPageSetup() {
    tabs->setCurrentIndex(0);
    const TIniFile ini(kSettingsFileName);
    // The margins shown are the ones the listing prints with (the
    // formatter's keys, hundredths of an inch).
    auto margin = [&](const char* key) {
        return ini.readInteger(kFormatterMargins, QLatin1String(key),
                               formatterDefault(kFormatterMargins, key).toInt());
    };
    printedMargins_ = {margin("left"), margin("top"), margin("right"), margin("bottom")};
    margins_ = heldFromPrinted(printedMargins_);
    txtHeader->setText(ini.readString(kPageLayout, QStringLiteral("Header"),
                                      formatterDefault(kPageLayout, "Header")));
    txtFooter->setText(ini.readString(kPageLayout, QStringLiteral("Footer"),
                                      formatterDefault(kPageLayout, "Footer")));
    const int numType = ini.readInteger(kPageLayout, QStringLiteral("PageNumType"),
                                        formatterDefault(kPageLayout, "PageNumType").toInt());
    cbPageNumType->setCurrentIndex(numType >= 0 && numType < cbPageNumType->count() ? numType : 0);
    const int paper = ini.readInteger(kPageLayout, QStringLiteral("Paper"), 0);
    cbPaper->setCurrentIndex(paper >= 0 && paper < cbPaper->count() ? paper : 0);
    const bool mm = ini.readInteger(kMargins, QStringLiteral("Units"), muInches) == muMillimetres;
    (mm ? rbMillimetres : rbInches)->setChecked(true);
    if (ini.readBool(kPageLayout, QStringLiteral("TwoPage"),
                     formatterDefault(kPageLayout, "TwoPage").toInt() != 0))
        rbTwoPage->setChecked(true);
    else
        rbOnePage->setChecked(true);
    drawPreview();
}

void TDlgPageSetup::restoreOwnDefaults() {
    auto margin = [](const char* key) { return formatterDefault(kFormatterMargins, key).toInt(); };
    printedMargins_ = {margin("left"), margin("top"), margin("right"), margin("bottom")};
    margins_ = heldFromPrinted(printedMargins_);
    drawPreview();
}

void TDlgPageSetup::setupMargins() {
    TPageSetupDialog editor;
    editor.setOptions(
        psoMargins | psoMinMargins | psoDisableOrientation | psoDisablePaper |
        (units() == muMillimetres ? psoHundredthsOfMillimeters : psoThousandthsOfInches));
    editor.MarginLeft = marginToEditor(margins_.Left, units());
    editor.MarginTop = marginToEditor(margins_.Top, units());
    editor.MarginRight = marginToEditor(margins_.Right, units());
    editor.MarginBottom = marginToEditor(margins_.Bottom, units());
    if (units() == muMillimetres)
        editor.MinMarginLeft = editor.MinMarginTop = editor.MinMarginRight =
            editor.MinMarginBottom = 1016;
    auto fallback = [](const char* key) {
        return heldMarginFromFormatter(formatterDefault(kFormatterMargins, key).toInt());
    };
    editor.DefaultLeft = marginToEditor(fallback("left"), units());
    editor.DefaultTop = marginToEditor(fallback("top"), units());
    editor.DefaultRight = marginToEditor(fallback("right"), units());
    editor.DefaultBottom = marginToEditor(fallback("bottom"), units());
    if (!runMarginsEditor(editor, this)) return;
    margins_ = {marginFromEditor(editor.MarginLeft, units()),
                marginFromEditor(editor.MarginTop, units()),
                marginFromEditor(editor.MarginRight, units()),
                marginFromEditor(editor.MarginBottom, units())};
    drawPreview();
}

void TDlgPageSetup::drawPreview() {
    const bool two = rbTwoPage->isChecked();
    const int paper = std::max(0, cbPaper->currentIndex());
    drawPagePreview(canvas_, margins_, two, paper);
    // The longer side 185 pixels, the other in the paper's proportion.
    const int longer = 185;
    const int shorter =
        RoundEven(longer * double(std::min(canvas_.PageWidth(), canvas_.PageHeight())) /
                  std::max(canvas_.PageWidth(), canvas_.PageHeight()));
    preview_ = QImage(two ? QSize(longer, shorter) : QSize(shorter, longer), QImage::Format_RGB32);
    preview_.fill(Qt::white);
    {
        TDrawSurface surface(&preview_, &preview_);
        canvas_.PlayBack(surface, true, 0, 0, false, 1, 1, nullptr);
    }
    imgPreview->setPixmap(QPixmap::fromImage(preview_));
}

void TDlgPageSetup::saveSettings() {
    TIniFile ini(kSettingsFileName);
    ini.beginBatch();
    SaveSettingsControls(this, ini);
    ini.writeInteger(kMargins, QStringLiteral("NLEFT"), margins_.Left);
    ini.writeInteger(kMargins, QStringLiteral("NTOP"), margins_.Top);
    ini.writeInteger(kMargins, QStringLiteral("NRIGHT"), margins_.Right);
    ini.writeInteger(kMargins, QStringLiteral("NBOTTOM"), margins_.Bottom);
    ini.writeString(kMargins, QStringLiteral("ORIENT"),
                    rbTwoPage->isChecked() ? QStringLiteral("L") : QStringLiteral("P"));
    ini.writeInteger(kMargins, QStringLiteral("Units"), units());
    // The listing reads its margins in hundredths of an inch from these.
    ini.writeInteger(kFormatterMargins, QStringLiteral("left"),
                     printedMargin(margins_.Left, printedMargins_.Left));
    ini.writeInteger(kFormatterMargins, QStringLiteral("top"),
                     printedMargin(margins_.Top, printedMargins_.Top));
    ini.writeInteger(kFormatterMargins, QStringLiteral("right"),
                     printedMargin(margins_.Right, printedMargins_.Right));
    ini.writeInteger(kFormatterMargins, QStringLiteral("bottom"),
                     printedMargin(margins_.Bottom, printedMargins_.Bottom));
    ini.commitBatch();
}
