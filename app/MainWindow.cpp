#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/CommandHooks.h"
#include "app/Startup.h"
#include "format/SourceCodePrint.h"
#include "history/ChangeHistory.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Messages.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WindowPlacement.h"
#include "render/SheetCount.h"
#include "render/ui/Preview.h"
#include "render/ui/PrintRun.h"
#include "settings/FontRegistry.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "source/ui/PrintJobNavigator.h"
#include "widgets/Animate.h"
#include "widgets/Gauge.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>

namespace {

const QString kReadyText = QStringLiteral("Preview or Print the Current File");
const QString kClipJobTitle = QStringLiteral("Listora - Clipboard Print");

// The hourglass for as long as the object lives, also when a step throws.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

QString fileNotFoundText(const QString& path) {
    return QStringLiteral("The file %1 was not found.").arg(QDir::toNativeSeparators(path));
}

QString openableDroppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return QString();
    static const QStringList openable = {
        QStringLiteral("VBP"), QStringLiteral("MAK"), QStringLiteral("BAS"), QStringLiteral("FRM"),
        QStringLiteral("CLS"), QStringLiteral("TXT"), QStringLiteral("LRP")};
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (openable.contains(QFileInfo(path).suffix().toUpper())) return path;
    }
    return QString();
}

QStringList splitClipboardText(const QString& text) {
    QString body = text;
    const qsizetype nul = body.indexOf(QChar(0));
    if (nul >= 0) body.truncate(nul);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    body.replace('\r', '\n');
    if (body.isEmpty()) return {};
    QStringList lines = body.split('\n');
    if (body.endsWith('\n')) lines.removeLast();
    return lines;
}

// The window takes no input while a command runs; the count lets commands
// nest (the Open command runs a build). Closing is refused meanwhile.
class TfrmMain::TBusy {
public:
    explicit TBusy(TfrmMain& window) : window_(window) {
        if (window_.busy_++ == 0) window_.setEnabled(false);
    }
    ~TBusy() {
        if (--window_.busy_ == 0) window_.setEnabled(true);
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    TfrmMain& window_;
};

TfrmMain::TfrmMain(const QString& clipFolder, QWidget* parent)
    : QMainWindow(parent), clipFolder_(clipFolder), openDialogDir_(QDir::homePath()) {
    setWindowTitle(kApplicationTitle);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Arial"), 9));
    setAcceptDrops(true);
    buildControls();
    buildMenus();
    // The controls sit at fixed places: the window is as large as they need
    // and no larger, as a tool window of fixed size.
    setFixedSize(sizeHint());

    newFormatter();
    SourceKind = skNone;
    setProjectCommandsEnabled(false);
    setPrintEnabled(false);
    setPreviewEnabled(true);
    showStatus(QStringLiteral("Open a VB project or source file to begin (File / Open..., "
                              "Ctrl+O)"));
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::buildControls() {
    auto* client = new QWidget(this);
    client->setFixedSize(515, 95);
    setCentralWidget(client);

    struct TButtonDef {
        TPictureButton** button;
        TToolGlyph glyph;
        const char* hint;
        void (TfrmMain::*handler)();
    };
    const TButtonDef defs[] = {
        {&cmdOpen, TToolGlyph::Open, "Open", &TfrmMain::cmdOpenClick},
        {&cmdSave, TToolGlyph::Save, "Save Listora Project", &TfrmMain::cmdSaveClick},
        {&cmdPageSetup, TToolGlyph::PageSetup, "Page Setup", &TfrmMain::PageSetup1Click},
        {&cmdFonts, TToolGlyph::Fonts, "Fonts", &TfrmMain::Fonts1Click},
        {&cmdFormatting, TToolGlyph::Formatting, "Formatting", &TfrmMain::F},
        {&cmdVBProj, TToolGlyph::Navigator, "Project Navigator", &TfrmMain::cmdVBProjClick},
        {&cmdPreview, TToolGlyph::Preview, "Print Preview", &TfrmMain::cmdPreviewClick},
        {&cmdPrint, TToolGlyph::Print, "Print", &TfrmMain::cmdPrintClick},
    };
    int x = 4;
    for (const TButtonDef& def : defs) {
        auto* button = new TPictureButton(def.glyph, QString::fromLatin1(def.hint), client);
        button->move(x, 4);
        x += button->width();
        *def.button = button;
        connect(button, &QToolButton::clicked, this,
                [this, handler = def.handler] { guarded([&] { (this->*handler)(); }); });
    }

    asBuild = new TAnimate(client);
    asBuild->setGeometry(client->width() - 106 - 4, 2, 106, 70);
    asBuild->hide();

    // The status line: text on the left, then the gauge and the page count.
    auto* status = new QFrame(client);
    status->setFrameStyle(QFrame::Panel | QFrame::Raised);
    status->setGeometry(0, client->height() - 19, client->width(), 19);
    auto* row = new QHBoxLayout(status);
    row->setContentsMargins(4, 1, 1, 1);
    row->setSpacing(3);
    PnlStatus = new QLabel(status);
    PnlStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    PnlStatus->setMinimumWidth(0);
    PnlStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    G1 = new TGauge(status);
    G1->setFixedSize(203, 15);
    G1->setBoxWidth(7);
    PnlPageCount = new QLabel(status);
    PnlPageCount->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // Wide enough for the largest listings ("1632 Pages") in the font in use.
    pageCountWidth_ =
        qMax(61, PnlPageCount->fontMetrics().horizontalAdvance(QStringLiteral("88888 Pages")) + 10);
    PnlPageCount->setFixedSize(pageCountWidth_, 17);
    PnlPageCount->setAlignment(Qt::AlignCenter);
    PnlPageCount->setToolTip(QStringLiteral("Look Ahead Page Count"));
    row->addWidget(PnlStatus, 1);
    row->addWidget(G1);
    row->addWidget(PnlPageCount);

    // Hidden: the build command as a button, and the screen manager placed
    // below the visible client area.
    cmdBuildPrint = new QPushButton(QStringLiteral("Build"), client);
    cmdBuildPrint->hide();
    connect(cmdBuildPrint, &QPushButton::clicked, this,
            [this] { guarded([&] { cmdBuildPrintClick(); }); });
    BtnScreenMgr = new QPushButton(QStringLiteral("Screen Manager"), client);
    BtnScreenMgr->setGeometry(4, client->height() + 10, 100, 25);
    // Out of sight, so out of the Tab order too.
    BtnScreenMgr->setFocusPolicy(Qt::NoFocus);
    connect(BtnScreenMgr, &QPushButton::clicked, this,
            [this] { guarded([&] { BtnScreenMgrClick(); }); });
}

void TfrmMain::buildMenus() {
    auto bind = [this](QAction* action, void (TfrmMain::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
        return action;
    };
    auto shortcut = [](QAction* action, const QKeySequence& keys) {
        action->setShortcut(keys);
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    Open1 = shortcut(bind(file->addAction(QStringLiteral("&Open...")), &TfrmMain::cmdOpenClick),
                     QKeySequence(Qt::CTRL | Qt::Key_O));
    Save1 = shortcut(bind(file->addAction(QStringLiteral("&Save")), &TfrmMain::cmdSaveClick),
                     QKeySequence(Qt::Key_F2));
    SaveAs1 =
        shortcut(bind(file->addAction(QStringLiteral("Save &As...")), &TfrmMain::cmdSaveAsClick),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    Print1 = shortcut(bind(file->addAction(QStringLiteral("&Print")), &TfrmMain::cmdPrintClick),
                      QKeySequence(Qt::CTRL | Qt::Key_P));
    PrintPreview1 = shortcut(
        bind(file->addAction(QStringLiteral("Print Pre&view...")), &TfrmMain::cmdPreviewClick),
        QKeySequence(Qt::CTRL | Qt::Key_S));
    RecentFiles1 = file->addMenu(QStringLiteral("&Recent Files"));
    // A submenu has no accelerator of its own: the key opens it.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this), &QShortcut::activated, this,
            [this] { RecentFiles1->popup(mapToGlobal(QPoint(20, 20))); });
    file->addSeparator();
    Exit1 = shortcut(file->addAction(QStringLiteral("E&xit")), QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    Formatting1 = options->addMenu(QStringLiteral("&Formatting"));
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, this,
            [this] { Formatting1->popup(mapToGlobal(QPoint(60, 20))); });
    Fonts1 = bind(Formatting1->addAction(QStringLiteral("&Fonts...")), &TfrmMain::Fonts1Click);
    PageSetup1 =
        bind(Formatting1->addAction(QStringLiteral("&Page Setup...")), &TfrmMain::PageSetup1Click);
    Visual1 = bind(Formatting1->addAction(QStringLiteral("&Visual...")), &TfrmMain::F);
    mnuClipBoard = shortcut(bind(options->addAction(QStringLiteral("Load &Clipboard Text")),
                                 &TfrmMain::mnuClipBoardClick),
                            QKeySequence(Qt::CTRL | Qt::Key_V));
    AddOnClipboardText1 =
        shortcut(bind(options->addAction(QStringLiteral("&Add-On Clipboard Text")),
                      &TfrmMain::AddOnClipboardText1Click),
                 QKeySequence(Qt::CTRL | Qt::Key_A));
    // The glossary commands are built but not offered.
    BasicGlossary1 = options->addAction(QStringLiteral("Build Basic Function Glossary"));
    BasicGlossary1->setVisible(false);
    DeluxeGlossary1 = options->addAction(QStringLiteral("Build Deluxe Function Glossary"));
    DeluxeGlossary1->setVisible(false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    Contents1 =
        shortcut(bind(help->addAction(QStringLiteral("&Contents...")), &TfrmMain::Contents1Click),
                 QKeySequence(Qt::Key_F1));
    About1 = bind(help->addAction(QStringLiteral("&About")), &TfrmMain::About1Click);
    PageCountTest1 =
        bind(help->addAction(QStringLiteral("Page Count")), &TfrmMain::PageCountTestClick);
    PageCountTest1->setVisible(false);
    HiddenItem1 = help->addAction(QStringLiteral("-"));
    HiddenItem1->setVisible(false);
}

template <class Fn> void TfrmMain::guarded(Fn fn) {
    runReportingFailures(fn);
}

// --- enabling ---------------------------------------------------------------

void TfrmMain::setPreviewEnabled(bool on) {
    cmdPreview->setEnabled(on);
    PrintPreview1->setEnabled(on);
}

void TfrmMain::setPrintEnabled(bool on) {
    cmdPrint->setEnabled(on);
    Print1->setEnabled(on);
}

void TfrmMain::setProjectCommandsEnabled(bool on) {
    cmdVBProj->setEnabled(on);
    BtnScreenMgr->setEnabled(on);
}

// --- progress ---------------------------------------------------------------

void TfrmMain::showProgress(const QString& text, int percent) {
    if (!text.isEmpty()) PnlStatus->setText(text);
    G1->setPosition(percent);
}

void TfrmMain::showStatus(const QString& text) {
    PnlStatus->setText(text);
    // A long note may not fit the panel: the whole text on hovering.
    PnlStatus->setToolTip(text);
}

QString TfrmMain::readyText() const {
    return buildNote_.isEmpty() ? kReadyText : buildNote_;
}

void TfrmMain::processPendingMessages() {
    QCoreApplication::processEvents();
}

void TfrmMain::showPageCount(int sheets) {
    // While laying out only the sheets are known: each may carry two pages.
    const bool twoPage = formatter_ && formatter_->Settings.TwoPage;
    setPageCountText(twoPage ? QStringLiteral("%1 Sheets").arg(sheets)
                             : sheetCountText({sheets, sheets}));
}

void TfrmMain::setPageCountText(const QString& text) {
    PnlPageCount->setText(text);
    // "1458 Sheets, 2916 Pages" takes more room than a page count: the
    // status text gives it up.
    PnlPageCount->setFixedWidth(std::max(pageCountWidth_, PnlPageCount->sizeHint().width()));
}

// --- window events ----------------------------------------------------------

void TfrmMain::showEvent(QShowEvent* event) {
    // The stored position is applied once: applying it on every activation
    // would move the window back after each dialog the user closes.
    if (!placed_) {
        placed_ = true;
        centreOnScreen(*this);
        applyStoredPosition(*this, TIniFile());
    }
    QMainWindow::showEvent(event);
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    // Dialogs may have changed the settings. Never while a build is using
    // the formatter (a build lets the window process its events).
    if (busy_ > 0 || !formatter_) return;
    loadSettings();
}

void TfrmMain::loadSettings() {
    QString report;
    bool error = false;
    try {
        formatter_->LoadSettings();
        if (!formatter_->Settings.Problems.isEmpty())
            report = QStringLiteral("Some settings in %1 could not be used as written:\r\n%2")
                         .arg(TIniFile().fileName(), formatter_->Settings.Problems.join("\r\n"));
    } catch (const TListoraError& e) {
        formatter_->LoadDefaultSettings();
        error = true;
        report = QStringLiteral("The settings in %1 cannot be used; Listora uses its default "
                                "settings until they are corrected.\r\n%2")
                     .arg(TIniFile().fileName(), e.message());
    }
    // Once per report: the message box itself re-activates the window.
    if (report == settingsReport_) return;
    settingsReport_ = report;
    if (report.isEmpty()) return;
    if (error)
        showError(report);
    else
        showWarning(report);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (busy_ > 0) {
        event->ignore();
        return;
    }
    helpViewer().quit(kHelpFileName);
    if (SourceKind != skNone) {
        fontregistry::clear();
        formatter_.reset();
    }
    changes_.reset();
    sources_.reset();
    guarded([&] {
        TIniFile ini;
        storePosition(*this, ini);
    });
    deleteClips(clipFolder_);
    event->accept();
}

// --- formatter ----------------------------------------------------------------

void TfrmMain::newFormatter() {
    formatter_ = std::make_unique<TSourceCodePrint>(this);
    built_ = false;
    loadSettings();
}

void TfrmMain::replaceFormatterIfBuilt() {
    if (formatter_ && !built_) {
        // Activation skips the reload while a command runs; every build
        // still starts from the settings as they are now.
        loadSettings();
        return;
    }
    formatter_.reset();
    PnlStatus->clear();
    G1->show(); // a note of the last build may have taken its place
    newFormatter();
}

void TfrmMain::setPageDefaults() {
    const QFont f = font();
    formatter_->SetPageDefaults(TFont(f.family(), f.pointSize()), TPen{},
                                TBrush{clWhite, TBrushStyle::Solid});
}

void TfrmMain::finishBuild() {
    built_ = true;
    updateTitle();
    setPageCountText(sheetCountText(countSheets(formatter_->Pages, formatter_->Settings.TwoPage)));
    // What the build left out (brackets too deep to draw, say) goes to the
    // status line, where it stays until the next build: no box to dismiss.
    buildNote_.clear();
    if (!formatter_->BuildNotes.isEmpty())
        buildNote_ = QStringLiteral("Note: ") + formatter_->BuildNotes.join(QLatin1Char(' '));
    // The idle gauge gives the note its room until the next build.
    if (!buildNote_.isEmpty()) {
        G1->hide();
        showStatus(buildNote_);
    }
    // The bracket records served the drawing only.
    formatter_->ReleaseBrackets();
}

// --- open -------------------------------------------------------------------

void TfrmMain::cmdOpenClick() {
    TIniFile ini;
    TFileDialogRequest request;
    request.Title = QStringLiteral("Opening Project");
    request.Filter = kOpenDialogFilter;
    request.InitialDir =
        ini.readString(kOpenDialogSection, QStringLiteral("LoadDir"), openDialogDir_);
    request.FilterIndex = ini.readInteger(kOpenDialogSection, QStringLiteral("LoadFilter"), 1);
    const std::optional<TFileDialogResult> chosen = fileDialogs().openFile(request);
    if (!chosen) return;

    PnlStatus->clear();
    TBusy busy(*this);
    openDialogDir_ = withTrailingSeparator(QFileInfo(chosen->FileName).absolutePath());
    ini.writeString(kOpenDialogSection, QStringLiteral("LoadDir"), openDialogDir_);
    ini.writeInteger(kOpenDialogSection, QStringLiteral("LoadFilter"), chosen->FilterIndex);
    repaint();

    CurFileName = chosen->FileName;
    openCurrentFile();
}

void TfrmMain::OpenPath(const QString& path) {
    if (busy_ > 0) return;
    const QFileInfo file(path);
    if (!file.isFile()) {
        showError(fileNotFoundText(path));
        return;
    }
    PnlStatus->clear();
    TBusy busy(*this);
    CurFileName = file.absoluteFilePath();
    openCurrentFile();
}

void TfrmMain::openCurrentFile() {
    if (QFileInfo(CurFileName).suffix().toUpper() == QLatin1String("LRP")) {
        if (commandHooks().OpenProjectSettings)
            commandHooks().OpenProjectSettings(this);
        else
            messages().show(TMessageKind::Information, QString(),
                            notAvailableText(QStringLiteral("Opening Listora projects")));
    } else {
        OpenWithAnimation();
    }
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (busy_ == 0 && !openableDroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TfrmMain::dropEvent(QDropEvent* event) {
    const QString path = openableDroppedFile(event->mimeData());
    if (busy_ > 0 || path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    guarded([&] { OpenPath(path); });
}

void TfrmMain::updateTitle() {
    QString job;
    if (SourceKind == skClipboard || (ClipText && SourceKind != skProject))
        job = QStringLiteral("Clipboard Text");
    else if (!JobTitle.isEmpty())
        job = QFileInfo(JobTitle).fileName();
    // The window system shows the program's name after the job's.
    setWindowTitle(job.isEmpty() ? kApplicationTitle
                                 : job + QStringLiteral(" - ") + kApplicationTitle);
}

bool TfrmMain::ensureBuilt(const QString& what) {
    if (built_ && formatter_) return true;
    if (SourceKind == skProject && sources_) {
        // A project is open, only nothing of it is marked (the navigator
        // was cancelled or everything unmarked): the navigator is the way on.
        if (messages().askYesNo(QString(), QStringLiteral("Nothing is marked to %1. Open the "
                                                          "Project Navigator to mark files or "
                                                          "procedures?")
                                               .arg(what)))
            cmdVBProjClick();
        return built_ && formatter_;
    }
    messages().show(TMessageKind::Information, QString(),
                    QStringLiteral("There is nothing to %1 yet: open a VB project or source file "
                                   "first (File / Open...).")
                        .arg(what));
    return false;
}

void TfrmMain::playClip(const QString& clipName) {
    asBuild->hide();
    asBuild->setFileName(withTrailingSeparator(clipFolder_) + clipName);
    asBuild->show();
    asBuild->play();
}

void TfrmMain::stopClip() {
    asBuild->stop();
    asBuild->hide();
}

void TfrmMain::OpenWithAnimation() {
    playClip(QStringLiteral("read.lrg"));
    try {
        OpenSourceFile();
    } catch (...) {
        stopClip();
        throw;
    }
    stopClip();
}

void TfrmMain::addRecentFile(const QString& fileName) {
    if (commandHooks().AddRecentFile) commandHooks().AddRecentFile(fileName);
}

void TfrmMain::OpenSourceFile() {
    if (!QFileInfo(CurFileName).isFile()) {
        showError(fileNotFoundText(CurFileName));
        return;
    }
    if (!IsASCIIFile(CurFileName) || !IsBelowSizeLimit(CurFileName)) {
        showError(QStringLiteral("The file chosen (") + CurFileName +
                  QStringLiteral(") is either not a text file or over 200K. It cannot be "
                                 "processed."));
        return;
    }
    JobSourceName.clear();
    ClipText.reset();
    JobFileName.clear();

    const QString ext = QFileInfo(CurFileName).suffix().toUpper();
    if (ext == QLatin1String("MAK") || ext == QLatin1String("VBP")) {
        if (sources_) {
            showStatus(QStringLiteral("Unloading Previous Source"));
            sources_.reset();
        }
        changes_.reset();
        sources_ = std::make_unique<TSourceMgt>(this, formatter_->Settings.CodePage);
        bool loaded = false;
        {
            TWaitCursor wait;
            loaded = LoadProjectFile(*sources_, CurFileName, JobTitle);
        }
        showStatus(QStringLiteral("Choose Functions/Files to Print"));
        processPendingMessages();
        if (loaded) {
            cmdVBProjClick();
            SourceKind = skProject;
            setProjectCommandsEnabled(true);
            addRecentFile(CurFileName);
            JobTitle = CurFileName;
            updateTitle();
        } else {
            setProjectCommandsEnabled(false);
            setPreviewEnabled(false);
            setPrintEnabled(false);
        }
        return;
    }

    {
        TWaitCursor wait;
        setPreviewEnabled(true);
        JobTitle = CurFileName;
        addRecentFile(CurFileName);
        TBusy busy(*this);
        replaceFormatterIfBuilt();
        setPageDefaults();
        formatter_->JobTitle = JobTitle;
        JobSourceName = CurFileName;
        formatter_->BuildFromFile(CurFileName, G1);
        finishBuild();
    }
    G1->setPosition(0);
    showStatus(readyText());
    SourceKind = skSingleFile;
    setProjectCommandsEnabled(false);
}

// --- navigator ----------------------------------------------------------------

void TfrmMain::cmdVBProjClick() {
    if (!sources_) return;
    TFrmVBPrintJ navigator(this);
    SourceKind = skProject;
    setProjectCommandsEnabled(true);
    setPreviewEnabled(true);
    setPrintEnabled(true);
    {
        TWaitCursor wait;
        if (!sources_->Analyzed()) {
            TBusy busy(*this);
            sources_->AnalyzeProject();
        }
        processPendingMessages();
        showStatus(QStringLiteral("Loading The Animated Outline Selector"));
        const int marked = sources_->FillTree(navigator, QFileInfo(JobTitle).fileName(), true);
        navigator.SetSelectedCount(marked);
        navigator.SetChangeSource(sources_.get(), CurFileName);
    }
    PnlStatus->clear();
    navigator.tmrAnim.start();
    // OK builds; Cancel (Escape, the close box) leaves the listing as it was.
    const int result = execModal(navigator);
    processPendingMessages();
    navigator.tmrAnim.stop();
    if (result != QDialog::Accepted) {
        // The history went with the marks it made, which Cancel undid.
        showStatus(built_ ? readyText()
                          : QStringLiteral("Nothing is marked for printing: mark files or "
                                           "procedures in the Project Navigator"));
        return;
    }
    if (std::unique_ptr<TChangeHistory> changes = navigator.TakeChanges())
        changes_ = std::move(changes);
    if (navigator.SelectedCount() == 0) {
        // Nothing to lay out: no blank page, and no pages left from before.
        if (built_) replaceFormatterIfBuilt();
        PnlPageCount->clear();
        showStatus(QStringLiteral("Nothing is marked for printing"));
        return;
    }
    BuildWithAnimation();
}

// --- build ------------------------------------------------------------------

void TfrmMain::BuildWithAnimation() {
    repaint();
    playClip(QStringLiteral("build2.lrg"));
    try {
        cmdBuildPrintClick();
    } catch (...) {
        stopClip();
        throw;
    }
    stopClip();
}

void TfrmMain::cmdBuildPrintClick() {
    TBusy busy(*this);
    TWaitCursor wait;
    G1->show();
    replaceFormatterIfBuilt();
    if (SourceKind == skProject && sources_) {
        setPageDefaults();
        formatter_->JobTitle = JobTitle;
        if (changes_) changes_->Apply(*formatter_);
        formatter_->BuildProject(sources_->FirstFile(), *sources_);
        finishBuild();
        G1->setPosition(0);
        setPreviewEnabled(true);
        showStatus(readyText());
    } else if (SourceKind == skSingleFile || ClipText) {
        setPreviewEnabled(true);
        setPageDefaults();
        if (ClipText) {
            formatter_->JobTitle = QStringLiteral("ClipBoard Print");
            formatter_->CurrentFileName = QStringLiteral("Clipboard Print");
            JobTitle = kClipJobTitle;
            JobSourceName = QStringLiteral("ClipBoard");
            formatter_->BuildFromLines(*ClipText, G1);
        } else {
            JobTitle = CurFileName;
            formatter_->JobTitle = JobTitle;
            formatter_->BuildFromFile(CurFileName, G1);
            JobSourceName = CurFileName;
        }
        finishBuild();
        G1->setPosition(0);
        showStatus(readyText());
    }
}

// --- clipboard --------------------------------------------------------------

std::optional<QStringList> TfrmMain::GetClipboardLines() {
    const std::optional<QString> text = clipboard().text();
    if (!text || splitClipboardText(*text).isEmpty()) {
        messages().show(TMessageKind::Information, QString(),
                        QStringLiteral("The clipboard holds no text to print."));
        return std::nullopt;
    }
    SourceKind = skClipboard;
    JobFileName.clear();
    setProjectCommandsEnabled(false);
    return splitClipboardText(*text);
}

void TfrmMain::buildClipText() {
    TBusy busy(*this);
    TWaitCursor wait;
    setPreviewEnabled(true);
    replaceFormatterIfBuilt();
    setPageDefaults();
    formatter_->JobTitle = QStringLiteral("ClipBoard Print");
    formatter_->CurrentFileName = QStringLiteral("Clipboard Print");
    JobTitle = kClipJobTitle;
    // The name goes with the listing just built, not with an earlier file.
    JobSourceName = QStringLiteral("ClipBoard");
    formatter_->BuildFromLines(*ClipText, G1);
    finishBuild();
    G1->setPosition(0);
}

void TfrmMain::mnuClipBoardClick() {
    std::optional<QStringList> lines = GetClipboardLines();
    if (!lines) return;
    setPreviewEnabled(true);
    setPrintEnabled(true);
    G1->show();
    ClipText = std::move(*lines);
    buildClipText();
}

void TfrmMain::AddOnClipboardText1Click() {
    if (SourceKind != skClipboard || !ClipText) {
        mnuClipBoardClick();
        return;
    }
    std::optional<QStringList> lines = GetClipboardLines();
    if (!lines) return;
    ClipText->append(QString());
    ClipText->append(kClipboardSeparator);
    ClipText->append(QString());
    ClipText->append(*lines);
    buildClipText();
}

// --- preview and print ------------------------------------------------------

void TfrmMain::cmdPreviewClick() {
    if (!ensureBuilt(QStringLiteral("preview"))) return;
    if (commandHooks().Preview) {
        commandHooks().Preview(this, formatter_->Pages, JobTitle);
        return;
    }
    TPrintPreview preview(this);
    preview.SetPageStorage(&formatter_->Pages);
    preview.SetCaption(JobTitle);
    preview.Form()->SourcePath = printSourcePath();
    formatter_->Pages.FirstPage();
    execModal(*preview.Form());
    // A file printed from the preview is confirmed here too.
    confirmWritten(preview.Form()->LastOutcome());
}

void TfrmMain::cmdPrintClick() {
    if (!ensureBuilt(QStringLiteral("print"))) return;
    TPageStorage& pages = formatter_->Pages;
    const QString documentName = QStringLiteral("Listora");
    try {
        if (commandHooks().Print)
            commandHooks().Print(this, pages, 1, pages.PageCount(), documentName);
        else
            confirmWritten(PrintOnPrinter(pages, true, documentName, this, nullptr, nullptr,
                                          formatter_->DocumentTitle(), printSourcePath()));
    } catch (...) {
        // A failed or aborted print ends quietly; the pages stay.
    }
}

QString TfrmMain::printSourcePath() const {
    return SourceKind == skClipboard || (ClipText && SourceKind != skProject) ? QString()
                                                                              : CurFileName;
}

void TfrmMain::confirmWritten(const TPrintOutcome& outcome) {
    if (outcome.PdfFile.isEmpty()) return;
    showStatus(QStringLiteral("Written to %1")
                   .arg(QDir::toNativeSeparators(QFileInfo(outcome.PdfFile).absoluteFilePath())));
}

void TfrmMain::cmdSaveClick() {
    if (commandHooks().SaveProjectSettings)
        commandHooks().SaveProjectSettings(this);
    else
        messages().show(TMessageKind::Information, QString(),
                        notAvailableText(QStringLiteral("Saving Listora projects")));
}

void TfrmMain::cmdSaveAsClick() {
    if (commandHooks().SaveProjectSettings)
        SaveProjectSettings(true);
    else
        cmdSaveClick();
}

// --- settings dialogs ---------------------------------------------------------

void TfrmMain::runSettingsDialog(const std::function<bool(QWidget*, const QString&)>& dialog,
                                 const QString& name, bool withAnimation) {
    if (!dialog) {
        messages().show(TMessageKind::Information, QString(), notAvailableText(name));
        return;
    }
    const bool changed = dialog(this, withTrailingSeparator(QFileInfo(CurFileName).absolutePath()));
    loadSettings();
    if (SourceKind == skNone || !changed) return;
    repaint();
    if (withAnimation)
        BuildWithAnimation();
    else
        cmdBuildPrintClick();
}

void TfrmMain::F() {
    runSettingsDialog(commandHooks().FormattingDialog,
                      QStringLiteral("The formatting options dialog"), false);
}

void TfrmMain::Fonts1Click() {
    runSettingsDialog(commandHooks().FontsDialog, QStringLiteral("The fonts dialog"), true);
}

void TfrmMain::PageSetup1Click() {
    runSettingsDialog(commandHooks().PageSetupDialog, QStringLiteral("The page setup dialog"),
                      true);
}

// --- help and the rest ------------------------------------------------------

void TfrmMain::Contents1Click() {
    helpViewer().showContext(kHelpFileName, 0);
}

void TfrmMain::About1Click() {
    TAboutBox about(this);
    execModal(about);
}

void TfrmMain::BtnScreenMgrClick() {
    messages().show(TMessageKind::Information, QString(),
                    notAvailableText(QStringLiteral("The screen manager")));
}

void TfrmMain::PageCountTestClick() {
    if (!formatter_) return;
    messages().show(TMessageKind::Information, QString(),
                    sheetCountText(countSheets(formatter_->Pages, formatter_->Settings.TwoPage)));
}
