#include "settings/ui/PrintOptionsDialog.h"

#include "format/ListingSettings.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/HelpBook.h"
#include "platform/IniFile.h"
#include "platform/Messages.h"
#include "render/IndicatorPictures.h"
#include "settings/ui/SettingsControls.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = helpcontext::FormattingOptions;

template <class T> T* bound(T* control, const char* section, const char* key) {
    control->INISection = QLatin1String(section);
    control->INIKeyword = QLatin1String(key);
    return control;
}

// Controls of keys that the formatter reads start from its defaults
// (takeListingDefaults); only the limits are given here.
TINISpinEdit* spin(QWidget* parent, const char* section, const char* key, int low, int high) {
    auto* s = bound(new TINISpinEdit(parent), section, key);
    s->setRange(low, high);
    s->setMaximumWidth(80);
    return s;
}

TINICheckBox* check(QWidget* parent, const QString& caption, const char* section, const char* key) {
    return bound(new TINICheckBox(caption, parent), section, key);
}

TINIEdit* edit(QWidget* parent, const char* section, const char* key, int maxLength = 32767) {
    auto* e = bound(new TINIEdit(parent), section, key);
    e->setMaxLength(maxLength);
    return e;
}

TColor defaultBracketColor() {
    return static_cast<TColor>(
        listingSettingDefault(QStringLiteral("brackets"), QStringLiteral("color"))
            .value_or(QStringLiteral("0"))
            .toInt());
}

// The indicator pictures with white drawn as transparent.
QPixmap indicatorPixmap(int index) {
    QPixmap pixmap = QPixmap::fromImage(indicatorPicture(index));
    pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
    return pixmap;
}

} // namespace

TdlgPrintOptions::TdlgPrintOptions(const QString& sourceFolder, QWidget* owner)
    : TSettingsDialog(QStringLiteral("Listora - Formatting Options"), kHelpContext, owner),
      sourceFolder_(sourceFolder) {
    tabs = new QTabWidget(this);
    // All six tabs stay in view: no scrolling tab row, no clipped captions.
    tabs->setUsesScrollButtons(false);
    tabs->setElideMode(Qt::ElideNone);
    tabs->addTab(bracketsPage(), QStringLiteral("Brackets"));
    tabs->addTab(generalPage(), QStringLiteral("General"));
    tabs->addTab(lineWrapPage(), QStringLiteral("Line Wrap"));
    tabs->addTab(projectPage(), QStringLiteral("Project Information"));
    tabs->addTab(reportsPage(), QStringLiteral("Reports"));
    tabs->addTab(separatorsPage(), QStringLiteral("Separators"));

    dlgLogo = bound(new TINIOpenDialog(this), "FileDialog", "ListoraOptions");
    dlgLogo->Filter = QStringLiteral("Bitmap Files|*.BMP");
    dlgLogo->DefaultExt = QStringLiteral("BMP");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttonBox());

    takeListingDefaults();
    LoadSettingsControls(this, kSettingsFileName);
    bracketColor_ =
        static_cast<TColor>(TIniFile(kSettingsFileName)
                                .readInteger(QStringLiteral("BRACKETS"), QStringLiteral("COLOR"),
                                             static_cast<int>(defaultBracketColor())));
    showBracketColor();
    // Connected after loading, so that stored values are shown as stored.
    connectInterlocks();
}

QWidget* TdlgPrintOptions::bracketsPage() {
    auto* page = new QWidget;
    cbBracketAll =
        check(page, QStringLiteral("Bracket All Conditionals"), "BRACKETS", "BracketAll");
    cbDo = check(page, QStringLiteral("Do Loops"), "BRACKETS", "Do");
    cbWhile = check(page, QStringLiteral("While Loops"), "BRACKETS", "While");
    cbFor = check(page, QStringLiteral("For Next Loops"), "BRACKETS", "For");
    cbIf = check(page, QStringLiteral("If Statements"), "BRACKETS", "If");
    cbSelect = check(page, QStringLiteral("Select Case Statements"), "BRACKETS", "Select");
    cbIfElse = check(page, QStringLiteral("If Statements with Else Clauses"), "BRACKETS", "IfElse");
    seInitIndent = spin(page, "BRACKETS", "INITINDENT", 1, 8);
    seNestedIndent = spin(page, "BRACKETS", "NestedIndent", 0, 5);
    cbMultiColor =
        check(page, QStringLiteral("MultiColored Nested Indent"), "BRACKETS", "MultiColor");
    btnBracketColor = new QPushButton(QStringLiteral("Bracket Color ..."), page);
    shpBracketColor = new QLabel(page);
    shpBracketColor->setFixedSize(48, 22);
    shpBracketColor->setFrameShape(QFrame::Box);
    shpBracketColor->setAutoFillBackground(true);
    connect(btnBracketColor, &QPushButton::clicked, this, &TdlgPrintOptions::chooseBracketColor);

    auto* grid = new QGridLayout(page);
    grid->addWidget(cbBracketAll, 0, 0, 1, 2);
    QWidget* structures[] = {cbDo, cbWhile, cbFor, cbIf, cbSelect, cbIfElse};
    for (int i = 0; i < 6; ++i)
        grid->addWidget(structures[i], 1 + i % 3, i / 3);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("First Indent Level"), seInitIndent);
    form->addRow(QStringLiteral("Nested Indent Level"), seNestedIndent);
    grid->addLayout(form, 4, 0, 1, 2);
    grid->addWidget(cbMultiColor, 5, 0, 1, 2);
    auto* colour = new QHBoxLayout;
    colour->addWidget(btnBracketColor);
    colour->addWidget(shpBracketColor);
    colour->addStretch();
    grid->addLayout(colour, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    return page;
}

QWidget* TdlgPrintOptions::generalPage() {
    auto* page = new QWidget;
    auto* shade = new QGroupBox(QStringLiteral("Line Printer Shade Emulation"), page);
    cbShadeEmulation =
        check(shade, QStringLiteral("Enable Emulation"), "GENERAL", "ShadeBoxEmulation");
    seShadeHeight = spin(shade, "GENERAL", "ShadeBoxHeight", 0, 5);
    auto* shadeForm = new QFormLayout(shade);
    shadeForm->addRow(cbShadeEmulation);
    shadeForm->addRow(QStringLiteral("Thickness of Shade Height"), seShadeHeight);

    auto* shadow = new QGroupBox(QStringLiteral("Shadow Comments"), page);
    cbShadowEnabled = check(shadow, QStringLiteral("Shadow Enabled"), "SHADOWTHRESHOLD", "ENABLED");
    seFrequency = spin(shadow, "SHADOWTHRESHOLD", "FREQUENCY", 1, 10);
    auto* shadowForm = new QFormLayout(shadow);
    shadowForm->addRow(cbShadowEnabled);
    shadowForm->addRow(QStringLiteral("Freq. Threshold"), seFrequency);

    txtCommentDelimiter = edit(page, "GENERAL", "COMMENT DELIMITER", 1);
    txtCommentDelimiter->setMaximumWidth(40);
    seTabsToSpaces = spin(page, "GENERAL", "TabsToSpaces", 0, 9);
    seSBL = spin(page, "GENERAL", "SBL", kMinLineSpacing, kMaxLineSpacing);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Comment Delimiter Replacement"), txtCommentDelimiter);
    auto* tabsRow = new QHBoxLayout;
    tabsRow->addWidget(seTabsToSpaces);
    tabsRow->addWidget(new QLabel(QStringLiteral("Spaces"), page));
    tabsRow->addStretch();
    form->addRow(QStringLiteral("Convert Tabs to "), tabsRow);
    form->addRow(QStringLiteral("Space Between Lines"), seSBL);

    cbLineNumbers = check(page, QStringLiteral("Line Numbers"), "GENERAL", "LineNumbers");
    cbBoldKeywords = check(page, QStringLiteral("Bold Keywords"), "GENERAL", "KeywordEmphasis");
    cbCallers =
        check(page, QStringLiteral("Callers Under Procedure Headings"), "GENERAL", "Callers");

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(shade);
    layout->addWidget(shadow);
    layout->addLayout(form);
    layout->addWidget(cbLineNumbers);
    layout->addWidget(cbBoldKeywords);
    layout->addWidget(cbCallers);
    layout->addStretch();
    return page;
}

QWidget* TdlgPrintOptions::lineWrapPage() {
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("Next Line Indicator"), page);
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 6; ++i) {
        const QByteArray key = "NLIPicture" + QByteArray::number(i);
        rbIndicator[i] = new TINIRadioButton(i == 0 ? QStringLiteral("Text") : QString(), group);
        rbIndicator[i]->INISection = QStringLiteral("GENERAL");
        rbIndicator[i]->INIKeyword = QString::fromLatin1(key);
        if (i == 0) {
            grid->addWidget(rbIndicator[0], 0, 0);
            txtNextLineInd = edit(group, "GENERAL", "NextLineInd", 5);
            grid->addWidget(txtNextLineInd, 0, 1);
            continue;
        }
        auto* picture = new QLabel(group);
        picture->setPixmap(indicatorPixmap(i - 1));
        // The pictures are printed on white paper; shown so on any palette.
        picture->setAutoFillBackground(true);
        QPalette paper = picture->palette();
        paper.setColor(QPalette::Window, Qt::white);
        picture->setPalette(paper);
        picture->setFixedSize(kIndicatorPictureSize, kIndicatorPictureSize);
        grid->addWidget(rbIndicator[i], i, 0);
        grid->addWidget(picture, i, 1, Qt::AlignLeft);
    }
    grid->setColumnStretch(2, 1);
    cbSmartIndent =
        check(page, QStringLiteral("Smart Indent Wrap"), "GENERAL", "IndentContinuedLines");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addWidget(cbSmartIndent);
    layout->addStretch();
    return page;
}

QWidget* TdlgPrintOptions::projectPage() {
    auto* page = new QWidget;
    txtProjectName = edit(page, "PROJECT INFO", "Project Name");
    txtClientName = edit(page, "PROJECT INFO", "Client Name");
    txtProducedBy = edit(page, "PROJECT INFO", "Produced By");
    txtWatermark = edit(page, "PROJECT INFO", "Watermark", 30);
    btnLoadLogo = new QPushButton(QStringLiteral("Load ..."), page);
    imgLogo = new QLabel(page);
    imgLogo->setFixedSize(96, 64);
    imgLogo->setFrameShape(QFrame::StyledPanel);
    imgLogo->setAlignment(Qt::AlignCenter);
    connect(btnLoadLogo, &QPushButton::clicked, this, &TdlgPrintOptions::loadLogo);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Project Name"), txtProjectName);
    form->addRow(QStringLiteral("Client Name"), txtClientName);
    form->addRow(QStringLiteral("Produced By"), txtProducedBy);
    form->addRow(QStringLiteral("Watermark"), txtWatermark);
    auto* logo = new QGroupBox(QStringLiteral("Project Logo"), page);
    auto* logoRow = new QHBoxLayout(logo);
    logoRow->addWidget(imgLogo);
    logoRow->addWidget(btnLoadLogo, 0, Qt::AlignTop);
    logoRow->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(logo);
    layout->addStretch();
    return page;
}

QWidget* TdlgPrintOptions::reportsPage() {
    auto* page = new QWidget;
    cbTitlePage = check(page, QStringLiteral("Title Page"), "REPORTS", "TitlePage");
    cbTOC = check(page, QStringLiteral("Table Of Contents"), "REPORTS", "TOC");
    cbFunctionIndex = check(page, QStringLiteral("Function Index"), "REPORTS", "FunctionIndex");
    cbXref = check(page, QStringLiteral("Cross Reference"), "REPORTS", "Xref");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbTitlePage);
    layout->addWidget(cbTOC);
    layout->addWidget(cbFunctionIndex);
    layout->addWidget(cbXref);
    layout->addStretch();
    return page;
}

QWidget* TdlgPrintOptions::separatorsPage() {
    auto* page = new QWidget;
    rgFileSep =
        bound(new TINIRadioGroup(QStringLiteral("File Separators"),
                                 {QStringLiteral("New Page"),
                                  QStringLiteral("Double Line and Name"), QStringLiteral("None")},
                                 page),
              "GENERAL", "FileSep");
    rgFunctionSep =
        bound(new TINIRadioGroup(QStringLiteral("Function Separators"),
                                 {QStringLiteral("New Page (Next Side)"),
                                  QStringLiteral("New Page (Whole Page)"),
                                  QStringLiteral("Divider Line"), QStringLiteral("None")},
                                 page),
              "GENERAL", "FUNCTIONSep");
    rgScreenSep = bound(new TINIRadioGroup(QStringLiteral("Screen Separators"),
                                           {QStringLiteral("New Page"),
                                            QStringLiteral("Divider Line"), QStringLiteral("None")},
                                           page),
                        "GENERAL", "ScreenSep");
    // Screen separators do not reach the listing; the rest start from the
    // formatter's defaults.
    rgScreenSep->setItemIndex(1);
    auto* grid = new QGridLayout(page);
    grid->addWidget(rgFileSep, 0, 0);
    grid->addWidget(rgFunctionSep, 0, 1, 2, 1);
    grid->addWidget(rgScreenSep, 1, 0);
    grid->setRowStretch(2, 1);
    return page;
}

void TdlgPrintOptions::connectInterlocks() {
    TINICheckBox* structures[] = {cbIf, cbIfElse, cbSelect, cbFor, cbDo, cbWhile};
    connect(cbBracketAll, &QCheckBox::toggled, this, [structures](bool on) {
        if (!on) return;
        for (TINICheckBox* box : structures)
            box->setChecked(true);
    });
    for (TINICheckBox* box : structures)
        connect(box, &QCheckBox::toggled, this, [this, structures](bool on) {
            // Only a box going off clears "all": while "all" checks the six
            // one by one, the half-checked row must not undo it.
            bool all = on;
            for (TINICheckBox* b : structures)
                all = all && b->isChecked();
            if (!on || all) cbBracketAll->setChecked(all);
        });
    connect(txtNextLineInd, &QLineEdit::textEdited, this,
            [this] { rbIndicator[0]->setChecked(true); });
    connect(seShadeHeight, &QSpinBox::valueChanged, this,
            [this](int height) { cbShadeEmulation->setChecked(height >= 1); });
    connect(cbShadeEmulation, &QCheckBox::toggled, this, [this](bool on) {
        if (on && seShadeHeight->value() == 0) seShadeHeight->setValue(1);
    });
}

void TdlgPrintOptions::restoreOwnDefaults() {
    bracketColor_ = defaultBracketColor();
    showBracketColor();
}

void TdlgPrintOptions::showBracketColor() {
    QPalette p = shpBracketColor->palette();
    p.setColor(QPalette::Window, toQColor(bracketColor_));
    shpBracketColor->setPalette(p);
}

void TdlgPrintOptions::chooseBracketColor() {
    if (const auto chosen = chooserDialogs().chooseColor(bracketColor_)) {
        bracketColor_ = *chosen;
        showBracketColor();
    }
}

void TdlgPrintOptions::loadLogo() {
    const QString fileName = dlgLogo->execute();
    if (fileName.isEmpty()) return;
    QImage picture(fileName);
    if (picture.isNull()) {
        showError(QStringLiteral("Unable to load the picture %1").arg(fileName));
        return;
    }
    logo_ = picture;
    imgLogo->setPixmap(QPixmap::fromImage(logo_).scaled(
        imgLogo->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    logoChanged_ = true;
}

void TdlgPrintOptions::saveSettings() {
    TIniFile ini(kSettingsFileName);
    ini.beginBatch();
    SaveSettingsControls(this, ini);
    ini.writeInteger(QStringLiteral("BRACKETS"), QStringLiteral("COLOR"),
                     static_cast<int>(bracketColor_));
    ini.writeInteger(QStringLiteral("GENERAL"), QStringLiteral("RectIndent"), 32);
    ini.commitBatch();
    if (logoChanged_) {
        const QString path = QDir(sourceFolder_).filePath(QStringLiteral("PROJECTLOGO"));
        if (!logo_.save(path, "BMP"))
            throw TListoraError(QStringLiteral("Unable to write to %1").arg(path));
    }
}
