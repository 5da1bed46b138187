#pragma once
// The main window: the toolbar, menus and status line, what kind of source
// is loaded, and the commands that open, build, show and print it. It owns
// the formatter and, while a project is loaded, the source analyzer.
#include "platform/Progress.h"
#include "render/PrintPages.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;
class TAnimate;
class TChangeHistory;
struct TJobRevision;
class TGauge;
class TPictureButton;
class TSourceCodePrint;
class TSourceMgt;

enum TSourceKind : quint8 { skNone = 0, skProject = 1, skSingleFile = 2, skClipboard = 3 };

inline const QString kOpenDialogFilter = QStringLiteral(
    "VB Projects|*.MAK;*.VBP|Listora Projects|*.LRP|VB Files|*.BAS;*.FRM|VB Classes|*.CLS|Text "
    "Files|*.TXT|All Files|*.*");
inline const QString kOpenDialogSection = QStringLiteral("Dialogs-OD");
inline const QString kClipboardSeparator = QStringLiteral("**********");

// The message for a file that is not there (any more).
QString fileNotFoundText(const QString& path);
// The file of a drop that the window can open, or an empty string.
QString openableDroppedFile(const QMimeData* mime);

// Splits clipboard text into lines at any line break; the text ends at a
// NUL character, and a final line break adds no empty line.
QStringList splitClipboardText(const QString& text);

class TfrmMain : public QMainWindow, public IProgress {
    Q_OBJECT
public:
    // clipFolder holds the unpacked animation clips.
    explicit TfrmMain(const QString& clipFolder, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // State of the loaded source.
    TSourceKind SourceKind = skNone;
    QString CurFileName;
    QString JobTitle;
    QString JobSourceName;
    std::optional<QStringList> ClipText;
    // The ".LRP" file the job was last saved to or opened from; Save writes
    // there without asking.
    QString JobFileName;

    TSourceCodePrint* Formatter() const { return formatter_.get(); }
    TSourceMgt* Sources() const { return sources_.get(); }
    // True once the current formatter has laid out a listing.
    bool HasBuilt() const { return built_; }
    const QString& ClipFolder() const { return clipFolder_; }

    // Commands.
    void cmdOpenClick();
    // Opens a file named outside the open dialog (command line, a drop on
    // the window) as the Open command opens the file it is given.
    void OpenPath(const QString& path);
    void OpenSourceFile();
    void OpenWithAnimation();
    void BuildWithAnimation();
    void cmdBuildPrintClick();
    void cmdVBProjClick();
    void mnuClipBoardClick();
    void AddOnClipboardText1Click();
    void cmdPreviewClick();
    void cmdPrintClick();
    void cmdSaveClick();
    void cmdSaveAsClick();
    void F();
    void Fonts1Click();
    void PageSetup1Click();
    void Contents1Click();
    void About1Click();
    void BtnScreenMgrClick();
    void PageCountTestClick();
    // Saved jobs and the glossary (MainWindowJobs.cpp).
    // Saves the job; asks for a file name when askName is set or the job has
    // no file yet.
    void SaveProjectSettings(bool askName = false);
    void OpenProjectSettings();
    void BuildGlossaryListing(bool deluxe);

    // IProgress: the status line, the gauge and the page-count panel.
    void showProgress(const QString& text, int percent) override;
    void showStatus(const QString& text) override;
    void processPendingMessages() override;
    void showPageCount(int sheets) override;

    // Controls.
    TPictureButton* cmdOpen;
    TPictureButton* cmdSave;
    TPictureButton* cmdPageSetup;
    TPictureButton* cmdFonts;
    TPictureButton* cmdFormatting;
    TPictureButton* cmdVBProj;
    TPictureButton* cmdPreview;
    TPictureButton* cmdPrint;
    TAnimate* asBuild;
    QLabel* PnlStatus;
    TGauge* G1;
    QLabel* PnlPageCount;
    QPushButton* cmdBuildPrint;
    QPushButton* BtnScreenMgr;

    // Menu items.
    QAction* Open1;
    QAction* Save1;
    QAction* SaveAs1;
    QAction* Print1;
    QAction* PrintPreview1;
    QMenu* RecentFiles1;
    QAction* Exit1;
    QMenu* Formatting1;
    QAction* Fonts1;
    QAction* PageSetup1;
    QAction* Visual1;
    QAction* mnuClipBoard;
    QAction* AddOnClipboardText1;
    QAction* BasicGlossary1;
    QAction* DeluxeGlossary1;
    QAction* Contents1;
    QAction* About1;
    QAction* PageCountTest1;
    QAction* HiddenItem1;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class TBusy;
    void buildControls();
    void buildMenus();
    template <class Fn> void guarded(Fn fn);

    void setPreviewEnabled(bool on);
    void setPrintEnabled(bool on);
    void setProjectCommandsEnabled(bool on);

    void newFormatter();
    // Reloads the formatter's settings. A settings file that cannot be
    // used is reported (once for the same report) and the defaults are
    // used; values brought into range are reported the same way.
    void loadSettings();
    void replaceFormatterIfBuilt();
    void setPageDefaults();
    void finishBuild();
    void setPageCountText(const QString& text);
    // The project or file printed; empty for clipboard text.
    QString printSourcePath() const;
    // Says in the status line where a listing printed to a file went.
    void confirmWritten(const TPrintOutcome& outcome);
    // The status after a build: its note, if it left one.
    QString readyText() const;
    void buildClipText();
    std::optional<QStringList> GetClipboardLines();
    void runSettingsDialog(const std::function<bool(QWidget*, const QString&)>& dialog,
                           const QString& name, bool withAnimation);
    void playClip(const QString& clipName);
    void stopClip();
    void addRecentFile(const QString& fileName);
    void openCurrentFile();
    void updateTitle();
    // True when a listing is built for the command; otherwise says why
    // and, for a project with nothing marked, offers the navigator.
    bool ensureBuilt(const QString& what);
    // Marks what changed since a saved job's revision and keeps the
    // history for the bars; shows why when it cannot.
    void markChangedSince(const TJobRevision& revision);

    std::unique_ptr<TSourceCodePrint> formatter_;
    std::unique_ptr<TSourceMgt> sources_;
    // What "Mark Changed Since..." compared the project with: the build
    // draws its change bars and a saved job keeps its revision.
    std::unique_ptr<TChangeHistory> changes_;
    QString clipFolder_;
    QString openDialogDir_;
    bool built_ = false;
    QString buildNote_;
    int pageCountWidth_ = 61;
    int busy_ = 0;
    bool placed_ = false;
    // The last settings report shown, so that reloading on every
    // activation does not show it again.
    QString settingsReport_;
};
