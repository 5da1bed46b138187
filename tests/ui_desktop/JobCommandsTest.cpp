// The main window's saved jobs, recent files, glossary keys and help book,
// with scripted dialogs and recorded message boxes.
#include "app/JobCommands.h"
#include "DesktopTestSupport.h"
#include "app/CommandHooks.h"
#include "app/MainWindow.h"
#include "common/TestSupport.h"
#include "format/ProjectSettingsFile.h"
#include "format/SourceCodePrint.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/HelpBook.h"
#include "platform/IniFile.h"
#include "platform/Messages.h"
#include "platform/ui/HelpViewer.h"
#include "render/VirtCanvas.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "widgets/LastUsedMenu.h"
#include "widgets/PictureButton.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

// Some page of the build draws text that starts with prefix.
bool drawsText(const TSourceCodePrint& f, const QString& prefix) {
    for (int n = 1; n <= f.Pages.PageCount(); ++n)
        for (const TCanvasCommand& c : f.Pages.Page(n)->Canvas->Commands())
            if (c.Kind == ckTextOut && c.Text.startsWith(prefix)) return true;
    return false;
}

using testsupport::readFile;

QString settingsPath() {
    return TIniFile::resolve(kSettingsFileName);
}

class JobWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(settingsPath());
        // The backup an earlier job's restore leaves beside the settings.
        QFile::remove(QFileInfo(settingsPath()).dir().filePath("LISTORA.OLD"));
        project = copyExampleProject(scratch);
    }
    void TearDown() override {
        commandHooks() = TCommandHooks{};
        QFile::remove(settingsPath());
    }

    // A job saved outside the window: the project with every other section
    // marked and the current settings.
    QStringList saveJob(const QString& lrp, const QString& projectPath) {
        TSourceMgt sources;
        testsupport::loadProject(sources, project, false);
        int n = 0;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            for (RFunction* s = f->Functions; s->Next; s = s->Next)
                s->Marked = (n++ % 2 == 0);
        TSourceCodePrint formatter;
        SaveProjectSettingsFile(lrp, projectPath, sources, formatter);
        return testsupport::markedSections(sources);
    }

    // Opens a job that must be refused in a fresh window: nothing is loaded
    // and one error is shown, whose text is returned.
    QString openRefusedJob(const QString& lrp) {
        TfrmMain w(scratch.path());
        installJobCommands(w, scratch.path());
        w.CurFileName = lrp;
        commandHooks().OpenProjectSettings(&w);
        EXPECT_EQ(w.SourceKind, skNone);
        EXPECT_EQ(w.Sources(), nullptr);
        if (user.messages.shown.size() != 1) {
            ADD_FAILURE() << user.messages.shown.size() << " messages shown";
            return {};
        }
        EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Error);
        return user.messages.shown[0].Text;
    }
    TScratchDir scratch;
    QString project;
    TScriptedUser user;
};

TEST_F(JobWindowTest, OpeningAJobLoadsMarksSettingsAndBuildsThenSavesItAgain) {
    TIniFile().writeString("PAGELAYOUT", "Header", "Saved %f");
    const QStringList saved = saveJob(scratch.path("job.lrp"), project);
    const QByteArray savedSettings = readFile(settingsPath());
    TIniFile().writeString("PAGELAYOUT", "Header", "Changed");

    TfrmMain w(scratch.path());
    installJobCommands(w, scratch.path());
    w.CurFileName = scratch.path("job.lrp");
    commandHooks().OpenProjectSettings(&w);

    EXPECT_TRUE(user.messages.shown.isEmpty());
    EXPECT_EQ(w.SourceKind, skProject);
    EXPECT_EQ(w.CurFileName, project);
    ASSERT_NE(w.Sources(), nullptr);
    EXPECT_EQ(testsupport::markedSections(*w.Sources()), saved);
    EXPECT_EQ(readFile(settingsPath()), savedSettings);
    EXPECT_TRUE(w.HasBuilt());
    // Built with the job's settings copy: its header heads the pages.
    EXPECT_TRUE(drawsText(*w.Formatter(), "Saved "));
    EXPECT_TRUE(w.isEnabled());
    // Built, so it can be printed; the job is a recent file, as any other.
    EXPECT_TRUE(w.cmdPrint->isEnabled());
    EXPECT_TRUE(w.cmdPreview->isEnabled());
    EXPECT_EQ(w.RecentFiles1->actions().size(), 2) << "separator and the job";
    EXPECT_TRUE(w.RecentFiles1->actions().last()->text().endsWith("job.lrp"));
    EXPECT_TRUE(w.windowTitle().startsWith("Demo.vbp - "));

    // Save writes back into the job it came from, without asking.
    commandHooks().SaveProjectSettings(&w);
    EXPECT_TRUE(user.dialogs.requests.isEmpty());
    EXPECT_TRUE(w.PnlStatus->text().startsWith("Saved job.lrp at "));

    // Save As asks, proposing the job's own file.
    user.willOpen(scratch.path("again.lrp"));
    w.SaveAs1->trigger();
    ASSERT_EQ(user.dialogs.requests.size(), 1);
    EXPECT_EQ(user.dialogs.requests[0].Title, "Save the Listora Project");
    EXPECT_EQ(user.dialogs.requests[0].Filter, "Listora Projects|*.LRP|All Files|*.*");
    EXPECT_EQ(user.dialogs.requests[0].InitialDir, QFileInfo(project).absolutePath());
    EXPECT_EQ(user.dialogs.requests[0].FileName, scratch.path("job.lrp"));
    EXPECT_EQ(w.JobFileName, scratch.path("again.lrp"));
    // A job never saved proposes the project's name.
    w.JobFileName.clear();
    w.cmdSaveClick();
    ASSERT_EQ(user.dialogs.requests.size(), 2);
    EXPECT_EQ(user.dialogs.requests[1].FileName, scratch.path("Demo.lrp"));
    const TSavedJob again(scratch.path("again.lrp"));
    const TSavedJob first(scratch.path("job.lrp"));
    EXPECT_EQ(readFile(again.PrintMarksFile()), readFile(first.PrintMarksFile()));
    EXPECT_EQ(readFile(again.SettingsFile()), savedSettings);
    EXPECT_EQ(again.ProjectPath(), project);
}

TEST_F(JobWindowTest, JobNamingANonProjectReportsErrorAndChangesNothing) {
    TIniFile().writeString("PAGELAYOUT", "Header", "Mine");
    saveJob(scratch.path("bad.lrp"), scratch.path("modLedger.bas"));
    const QByteArray before = readFile(settingsPath());
    EXPECT_EQ(openRefusedJob(scratch.path("bad.lrp")), "Error Loading Project File.");
    EXPECT_EQ(readFile(settingsPath()), before);
}

TEST_F(JobWindowTest, SaveNeedsAProjectAndAStorablePath) {
    TfrmMain w(scratch.path());
    installJobCommands(w, scratch.path());
    // Nothing or no project loaded: it says why instead of doing nothing.
    commandHooks().SaveProjectSettings(&w);
    w.SourceKind = skSingleFile;
    commandHooks().SaveProjectSettings(&w);
    EXPECT_TRUE(user.dialogs.requests.isEmpty());
    ASSERT_EQ(user.messages.shown.size(), 2);
    EXPECT_TRUE(user.messages.shown[0].Text.contains("open a VB project first"));
    EXPECT_TRUE(user.messages.shown[1].Text.startsWith("Only a VB project"));
    user.messages.shown.clear();

    // A project whose path does not fit the job is refused before the dialog.
    saveJob(scratch.path("job.lrp"), project);
    w.CurFileName = scratch.path("job.lrp");
    commandHooks().OpenProjectSettings(&w);
    ASSERT_EQ(w.SourceKind, skProject);
    w.CurFileName = "/" + QString("p").repeated(300) + "/Demo.vbp";
    commandHooks().SaveProjectSettings(&w);
    EXPECT_TRUE(user.dialogs.requests.isEmpty());
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_TRUE(user.messages.shown[0].Text.contains("255"));
}

TEST_F(JobWindowTest, GlossaryKeysLayOutTheGlossaryOfTheLoadedProject) {
    TfrmMain w(scratch.path());
    installJobCommands(w, scratch.path());
    const auto byKeys = [&](const QKeySequence& keys) -> QAction* {
        for (QAction* a : w.actions())
            if (a->shortcut() == keys) return a;
        return nullptr;
    };
    QAction* basic = byKeys(kBasicGlossaryKeys);
    QAction* deluxe = byKeys(kDeluxeGlossaryKeys);
    ASSERT_NE(basic, nullptr);
    ASSERT_NE(deluxe, nullptr);
    EXPECT_FALSE(w.BasicGlossary1->isVisible());
    EXPECT_FALSE(w.DeluxeGlossary1->isVisible());

    basic->trigger(); // no project: nothing happens
    EXPECT_FALSE(w.HasBuilt());

    saveJob(scratch.path("job.lrp"), project);
    w.CurFileName = scratch.path("job.lrp");
    commandHooks().OpenProjectSettings(&w);
    deluxe->trigger();
    EXPECT_TRUE(w.HasBuilt());
    // Only the basic glossary points at its note with a pair of eyes.
    const QString note = QStringLiteral("Here is some EyeNote Text");
    EXPECT_FALSE(drawsText(*w.Formatter(), note));
    basic->trigger();
    EXPECT_TRUE(drawsText(*w.Formatter(), note));
    EXPECT_TRUE(user.messages.shown.isEmpty());
    EXPECT_EQ(w.SourceKind, skProject);
}

TEST_F(JobWindowTest, RecentFilesAreLoadedAddedAndSavedWithTheWindow) {
    TIniFile ini;
    const QString gone = scratch.path("moved away.vbp");
    ini.writeString("RFU", "Item1", project);
    ini.writeString("RFU", "Item2", "Nothing Found");
    ini.writeString("RFU", "Item3", scratch.path("job.lrp"));
    ini.writeString("RFU", "Item4", gone);
    saveJob(scratch.path("job.lrp"), project);
    {
        TfrmMain w(scratch.path());
        const TJobCommands parts = installJobCommands(w, testsupport::sourceDir() + "/help");
        commandHooks().ShowHelp(51); // as the dialogs ask for their topic
        ASSERT_NE(parts.Help->Window(), nullptr);
        EXPECT_EQ(parts.Help->Window()->Browser->source().fileName(), "navigator.html");
        EXPECT_EQ(parts.RecentFiles->Entries(),
                  QStringList({project, scratch.path("job.lrp"), gone}));
        // A file that is gone says so and leaves the list.
        emit parts.RecentFiles->Items().at(2)->triggered();
        ASSERT_EQ(user.messages.shown.size(), 1);
        EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Error);
        EXPECT_TRUE(user.messages.shown[0].Text.startsWith("The file " + gone + " was not found."));
        EXPECT_EQ(parts.RecentFiles->Entries().size(), 2);
        EXPECT_EQ(w.SourceKind, skNone);
        // Choosing the job entry opens the job, which moves to the top.
        emit parts.RecentFiles->Items().at(1)->triggered();
        EXPECT_EQ(w.SourceKind, skProject);
        EXPECT_EQ(w.CurFileName, project);
        commandHooks().AddRecentFile(scratch.path("modLedger.bas"));
    }
    EXPECT_EQ(TIniFile().readString("RFU", "Item1", ""), scratch.path("modLedger.bas"));
    EXPECT_EQ(TIniFile().readString("RFU", "Item2", ""), scratch.path("job.lrp"));
    EXPECT_EQ(TIniFile().readString("RFU", "Item3", ""), project);
    // The dead entry does not come back at the next start.
    EXPECT_EQ(TIniFile().readString("RFU", "Item4", ""), "Nothing Found");
}

// --- the recent-files list ---------------------------------------------------

class RecentFilesTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(settingsPath()); }
    void TearDown() override { QFile::remove(settingsPath()); }
    QStringList captions() const {
        QStringList out;
        for (QAction* a : menu.actions())
            out << (a->isSeparator() ? QString("-") : a->text());
        return out;
    }
    QMenu menu;
};

TEST_F(RecentFilesTest, AddKeepsSevenNewestFirstAndMovesRepeatsToTheTop) {
    TLastUsedMenu list(&menu);
    EXPECT_TRUE(menu.actions().isEmpty());
    for (int i = 1; i <= 8; ++i)
        list.Add(QString("/p/f%1.bas").arg(i));
    ASSERT_EQ(list.Entries().size(), 7);
    EXPECT_EQ(list.Entries().first(), "/p/f8.bas");
    EXPECT_EQ(list.Entries().last(), "/p/f2.bas"); // f1 dropped
    EXPECT_EQ(captions().first(), "-");
    EXPECT_EQ(captions().at(1), "&1  /p/f8.bas");
    EXPECT_EQ(captions().at(7), "&7  /p/f2.bas");
    EXPECT_EQ(captions().count("-"), 1);

    list.Add("/p/f4.bas");
    EXPECT_EQ(list.Entries().size(), 7);
    EXPECT_EQ(captions().at(1), "&1  /p/f4.bas");
    EXPECT_EQ(captions().at(2), "&2  /p/f8.bas");
    EXPECT_EQ(list.Entries().count("/p/f4.bas"), 1);

    // Letter case counts: a path in other case is another entry.
    list.Add("/p/F4.bas");
    EXPECT_EQ(list.Entries().mid(0, 2), QStringList({"/p/F4.bas", "/p/f4.bas"}));
    EXPECT_EQ(list.Entries().size(), 7);

    QString chosen;
    QObject::connect(&list, &TLastUsedMenu::Chosen, [&](const QString& p) { chosen = p; });
    list.Items().at(1)->trigger();
    EXPECT_EQ(chosen, "/p/f4.bas");
}

TEST_F(RecentFilesTest, LoadSkipsNothingFoundAndSaveLeavesKeysBeyondTheCount) {
    TIniFile ini;
    ini.writeString("RFU", "Item1", "/a/one.vbp");
    ini.writeString("RFU", "Item2", "Nothing Found");
    ini.writeString("RFU", "Item4", "/a/four.bas");
    ini.writeString("RFU", "Item7", "/a/seven.frm");
    TLastUsedMenu list(&menu);
    list.Add("/old/entry.bas");
    list.Load();
    EXPECT_EQ(list.Entries(), QStringList({"/a/one.vbp", "/a/four.bas", "/a/seven.frm"}));
    EXPECT_EQ(captions(),
              QStringList({"-", "&1  /a/one.vbp", "&2  /a/four.bas", "&3  /a/seven.frm"}));

    list.Add("/a/new.cls");
    list.Save();
    EXPECT_EQ(ini.readString("RFU", "Item1", ""), "/a/new.cls");
    EXPECT_EQ(ini.readString("RFU", "Item2", ""), "/a/one.vbp");
    EXPECT_EQ(ini.readString("RFU", "Item4", ""), "/a/seven.frm");
    EXPECT_EQ(ini.readString("RFU", "Item7", ""), "/a/seven.frm"); // beyond: kept

    // An empty list writes nothing.
    TLastUsedMenu empty(&menu);
    empty.Save();
    EXPECT_EQ(ini.readString("RFU", "Item1", ""), "/a/new.cls");
    EXPECT_EQ(TLastUsedMenu::pathFromCaption("&3  /a/b  c.bas"), "/a/b  c.bas");
}

// --- the help book -------------------------------------------------------------

QString book() {
    return testsupport::sourceDir() + "/help";
}

TEST(HelpBook, EveryContextOpensItsOwnPageAndUnknownOnesTheContents) {
    THelpBookViewer viewer(book());
    const std::pair<int, const char*> topics[] = {{0, "index.html"},
                                                  {10, "print-status.html"},
                                                  {16, "preview.html"},
                                                  {51, "navigator.html"},
                                                  {20, "formatting-options.html"},
                                                  {30, "page-setup.html"},
                                                  {31, "margins.html"},
                                                  {40, "fonts.html"},
                                                  {12345, "index.html"}};
    for (auto [context, page] : topics) {
        viewer.showContext("Listora.hlp", context);
        ASSERT_NE(viewer.Window(), nullptr);
        EXPECT_EQ(viewer.Window()->Browser->source().fileName(), page) << context;
        EXPECT_TRUE(viewer.Window()->isVisible());
    }
    QTemporaryDir empty;
    TfrmHelp missing(empty.path());
    EXPECT_FALSE(missing.showContext(16));
    viewer.quit("Listora.hlp");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(viewer.Window(), nullptr);
}

TEST(HelpBook, EveryLinkInTheBookLeadsToAPageOfTheBook) {
    const QDir dir(book());
    const QStringList pages = dir.entryList({"*.html"}, QDir::Files);
    ASSERT_GE(pages.size(), 12);
    const QRegularExpression href(QStringLiteral("href=\"([^\"#]+)\""));
    for (const QString& page : pages) {
        const QString text = QString::fromUtf8(readFile(dir.filePath(page)));
        for (auto m = href.globalMatch(text); m.hasNext();) {
            const QString target = m.next().captured(1);
            EXPECT_TRUE(dir.exists(target)) << page.toStdString() << " -> " << target.toStdString();
        }
        // Every page but the contents leads back to it.
        if (page != "index.html") {
            EXPECT_TRUE(text.contains("href=\"index.html\"")) << page.toStdString();
        }
    }
    const QString shortcuts = QString::fromUtf8(readFile(dir.filePath("glossary.html")));
    EXPECT_TRUE(shortcuts.contains(kBasicGlossaryKeys.toString()));
    EXPECT_TRUE(shortcuts.contains(kDeluxeGlossaryKeys.toString()));
}

} // namespace

TEST_F(JobWindowTest, JobWithUnusableSettingsIsRefusedBeforeAnythingIsRestored) {
    // The job's copy holds a byte setting that stops every load.
    TIniFile().writeString("brackets", "nestedindent", "999");
    saveJob(scratch.path("bad.lrp"), project);
    TIniFile().writeString("brackets", "nestedindent", "4");
    const QByteArray before = readFile(settingsPath());

    const QString error = openRefusedJob(scratch.path("bad.lrp"));
    EXPECT_TRUE(error.startsWith(kBadJobSettings));
    EXPECT_TRUE(error.contains("nestedindent = 999"));
    EXPECT_EQ(readFile(settingsPath()), before);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(settingsPath()).dir().filePath("LISTORA.OLD")));

    // The formatter refuses such a copy itself, whoever asks.
    const TSavedJob job(scratch.path("bad.lrp"));
    TfrmMain w(scratch.path());
    EXPECT_THROW(w.Formatter()->RestoreSettingsFrom(job.SettingsFile()), TListoraError);
    EXPECT_EQ(readFile(settingsPath()), before);
}

namespace {

// A key pressed in the widget as the keyboard delivers it: shortcuts first.
void pressKeys(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QApplication::setActiveWindow(target->window());
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, modifiers);
        QApplication::sendEvent(target, &event);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST_F(JobWindowTest, F1OpensTheHelpAndEscOrCtrlWClosesIt) {
    TfrmMain w(scratch.path());
    const TJobCommands parts = installJobCommands(w, book());
    w.show();
    for (const QKeySequence& close :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        pressKeys(&w, Qt::Key_F1);
        TfrmHelp* help = parts.Help->Window();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->Browser->source().fileName(), "index.html");
        pressKeys(help->Browser, close[0].key(), close[0].keyboardModifiers());
        EXPECT_EQ(parts.Help->Window(), nullptr) << close.toString().toStdString();
    }
    w.hide();
}
