// The main window driven end to end with scripted dialogs: opening sources,
// the navigator and the build after it, the clipboard commands, which
// commands are enabled after each event, and the stored settings.
#include "DesktopTestSupport.h"

#include "app/CommandHooks.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "common/FocusWalk.h"
#include "common/GitTestRepo.h"
#include "common/TestSupport.h"
#include "format/ProjectSettingsFile.h"
#include "format/SourceCodePrint.h"
#include "history/ChangeHistory.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/ui/WindowPlacement.h"
#include "render/ui/Preview.h"
#include "source/SourceMgt.h"
#include "source/ui/PrintJobNavigator.h"
#include "widgets/Animate.h"
#include "widgets/Gauge.h"
#include "widgets/PictureButton.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray basicModule(int procedures) {
    QByteArray text = "Attribute VB_Name = \"Module1\"\r\nOption Explicit\r\n";
    for (int i = 0; i < procedures; ++i)
        text += "Public Sub Proc" + QByteArray::number(i) + "()\r\n    Debug.Print " +
                QByteArray::number(i) + "\r\nEnd Sub\r\n";
    return text;
}

// Which of the commands of the enabling table are on, as one string.
QString enabled(TfrmMain& w) {
    QStringList on;
    const std::pair<QWidget*, const char*> controls[] = {
        {w.cmdOpen, "open"},        {w.cmdSave, "save"},       {w.cmdFonts, "fonts"},
        {w.cmdPageSetup, "page"},   {w.cmdFormatting, "fmt"},  {w.cmdVBProj, "proj"},
        {w.BtnScreenMgr, "screen"}, {w.cmdPreview, "preview"}, {w.cmdPrint, "print"}};
    for (auto [control, name] : controls)
        if (control->isEnabled()) on << name;
    return on.join(' ');
}

// The status line's count of a listing laid out two pages a sheet.
QString twoPageCount(int sheets) {
    return QStringLiteral("%1 %2, %3 Pages")
        .arg(sheets)
        .arg(sheets == 1 ? "Sheet" : "Sheets")
        .arg(2 * sheets);
}

void clearSettings() {
    QFile::remove(TIniFile().fileName());
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { clearSettings(); }
    void TearDown() override { clearSettings(); }

    TScriptedUser user;
    TScratchDir scratch;
};

} // namespace

TEST_F(MainWindowTest, ProjectMarkedInNavigatorIsBuiltOnClose) {
    const QString project = copyExampleProject(scratch);
    TfrmMain w(scratch.path());
    EXPECT_EQ(w.SourceKind, skNone);
    EXPECT_EQ(enabled(w), "open save fonts page fmt preview");

    QString shownRoot;
    user.navigator = [&](TFrmVBPrintJ& nav) {
        shownRoot = nav.RootNode()->text(0);
        QTreeWidgetItem* module = findNode(nav, "modLedger.bas");
        clickNode(nav, module->child(1));
        clickNode(nav, module->child(2));
        QTreeWidgetItem* account = findNode(nav, "clsAccount.cls");
        pressKey(nav, account->child(1), Qt::Key_Insert);
        pressKey(nav, account->child(2), Qt::Key_Insert);
        pressKey(nav, account->child(2), Qt::Key_Delete);
        clickNode(nav, findNode(nav, "frmLedger.frm"));
        EXPECT_FALSE(w.PnlPageCount->text().endsWith("Pages") && w.HasBuilt());
        return int(QDialog::Accepted);
    };
    user.willOpen(project);
    w.cmdOpenClick();

    EXPECT_EQ(user.navigatorRuns, 1);
    EXPECT_EQ(shownRoot, "Demo.vbp");
    EXPECT_EQ(w.SourceKind, skProject);
    EXPECT_EQ(w.JobTitle, project);
    EXPECT_TRUE(w.HasBuilt());
    EXPECT_EQ(enabled(w), "open save fonts page fmt proj screen preview print");
    const int pages = referencePageCount(w);
    EXPECT_GT(pages, 1);
    EXPECT_EQ(w.PnlPageCount->text(), twoPageCount(pages));
    EXPECT_EQ(w.PnlStatus->text(), "Preview or Print the Current File");
    EXPECT_EQ(w.Formatter()->BracketCount(), 0);
    EXPECT_FALSE(w.asBuild->isVisible());
    EXPECT_TRUE(w.isEnabled());
    EXPECT_TRUE(user.messages.shown.isEmpty());

    // The navigator again, Mark All and then the close box, Cancel or
    // Escape: nothing is built and the marks are back as they were.
    const std::function<void(TFrmVBPrintJ&)> cancels[] = {
        [](TFrmVBPrintJ& nav) { nav.close(); },
        [](TFrmVBPrintJ& nav) { nav.btnCancel->click(); },
        [](TFrmVBPrintJ& nav) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(nav.tvSource, &escape);
        },
    };
    QList<int> selected;
    for (const auto& cancel : cancels) {
        user.navigator = [&](TFrmVBPrintJ& nav) {
            selected << nav.SelectedCount();
            nav.MarkAll1Click();
            cancel(nav);
            return nav.result();
        };
        w.cmdVBProjClick();
        EXPECT_EQ(selected.last(), selected.first()) << "the marks went back";
        EXPECT_EQ(referencePageCount(w), pages);
        EXPECT_EQ(w.PnlPageCount->text(), twoPageCount(pages));
        EXPECT_EQ(w.PnlStatus->text(), "Preview or Print the Current File");
    }

    // OK with everything marked builds it all.
    user.navigator = [&](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        return int(QDialog::Accepted);
    };
    w.cmdVBProjClick();
    const int allPages = referencePageCount(w);
    EXPECT_GT(allPages, pages);
    EXPECT_EQ(w.PnlPageCount->text(), twoPageCount(allPages));
}

// After "Mark Changed Since..." the build gets the change bars; a job
// saved then keeps the revision, and reopening it brings marks and bars back.
TEST_F(MainWindowTest, ChangesMarkedInTheNavigatorAreBarredAndKeptInASavedJob) {
    const QString project = copyExampleProject(scratch);
    TTestRepo::commitFolder(scratch.path());
    QByteArray ledger = testsupport::readFile(scratch.path("modLedger.bas"));
    testsupport::writeFile(
        scratch.path("modLedger.bas"),
        ledger.replace("    running = balance\r\n", "    running = balance * 1\r\n"));
    const auto barred = [](const TfrmMain& w) {
        int lines = 0;
        if (const TChangeBars* bars = w.Formatter()->ChangeBars)
            for (const TLineMarks& marks : *bars)
                lines += int(marks.Changed.size());
        return lines;
    };
    const auto marked = [](const TfrmMain& w) {
        QStringList names;
        for (RFile* f = w.Sources()->FirstFile(); f->Next; f = f->Next)
            for (RFunction* s = f->Functions; s->Next; s = s->Next)
                if (s->Marked) names << s->Name.trimmed();
        return names;
    };
    TfrmMain w(scratch.path());
    user.navigator = [&](TFrmVBPrintJ& nav) {
        TChangeRequest request;
        request.From = "HEAD";
        EXPECT_TRUE(nav.MarkChangedSince(request));
        return int(QDialog::Accepted);
    };
    user.willOpen(project);
    w.cmdOpenClick();
    EXPECT_TRUE(w.HasBuilt());
    EXPECT_EQ(marked(w), QStringList{"MonthlyInterest"});
    EXPECT_EQ(barred(w), 1);

    const QString job = scratch.path("Changes.lrp");
    user.willOpen(job);
    w.SaveProjectSettings(true);
    ASSERT_TRUE(QFileInfo::exists(job));
    EXPECT_EQ(TSavedJob(job).Revision().Since, "HEAD");

    TfrmMain reopened(scratch.path());
    reopened.CurFileName = job;
    reopened.OpenProjectSettings();
    ASSERT_TRUE(reopened.HasBuilt());
    EXPECT_EQ(marked(reopened), QStringList{"MonthlyInterest"});
    EXPECT_EQ(barred(reopened), 1);
    EXPECT_TRUE(user.messages.shown.isEmpty());
}

TEST_F(MainWindowTest, RejectedProjectDisablesProjectAndOutputCommands) {
    const QString notProject = scratch.write("Notes.vbp", "just some words\r\nno keys\r\n");
    TfrmMain w(scratch.path());
    w.CurFileName = notProject;
    w.OpenSourceFile();
    EXPECT_EQ(user.navigatorRuns, 0);
    EXPECT_EQ(w.SourceKind, skNone);
    EXPECT_EQ(enabled(w), "open save fonts page fmt");
    EXPECT_FALSE(user.messages.shown.isEmpty());
}

TEST_F(MainWindowTest, SizeLimitAndTextTestRefuseWithTheExactMessage) {
    TfrmMain w(scratch.path());
    const QString big = scratch.write("Big.bas", QByteArray(200000, 'x'));
    ASSERT_EQ(QFileInfo(big).size(), 200000);
    const QString binary = scratch.write("Bin.bas", QByteArray("\x01\x02 binary", 9));
    QByteArray lines = QByteArray("' comment line\r\n").repeated(199999 / 16);
    lines += QByteArray(199999 - lines.size(), 'x');
    const QString justBelow = scratch.write("Below.txt", lines);
    for (const QString& path : {big, binary}) {
        user.messages.shown.clear();
        w.CurFileName = path;
        w.OpenSourceFile();
        ASSERT_EQ(user.messages.shown.size(), 1);
        EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Error);
        EXPECT_EQ(user.messages.shown[0].Text,
                  "The file chosen (" + path +
                      ") is either not a text file or over 200K. It cannot be processed.");
        EXPECT_EQ(w.SourceKind, skNone);
        EXPECT_FALSE(w.HasBuilt());
    }
    user.messages.shown.clear();
    w.CurFileName = justBelow;
    w.OpenSourceFile();
    EXPECT_TRUE(user.messages.shown.isEmpty());
    EXPECT_EQ(w.SourceKind, skSingleFile);
    EXPECT_TRUE(w.HasBuilt());
}

TEST_F(MainWindowTest, ABuildsNoteIsShownInTheStatusLineWithoutABox) {
    QByteArray deep = "Sub Deep()\r\n";
    for (int i = 0; i < 40; ++i)
        deep += "If x Then\r\n";
    for (int i = 0; i < 40; ++i)
        deep += "End If\r\n";
    deep += "End Sub\r\n";
    TfrmMain w(scratch.path());
    w.CurFileName = scratch.write("Deep.bas", deep);
    w.OpenSourceFile();
    ASSERT_TRUE(w.HasBuilt());
    EXPECT_EQ(w.PnlStatus->text(),
              "Note: Control structures are nested more than 32 deep; the brackets of the "
              "deeper ones are not drawn.");
    EXPECT_EQ(w.PnlStatus->toolTip(), w.PnlStatus->text());
    EXPECT_TRUE(w.G1->isHidden()) << "the idle gauge makes room for the note";
    EXPECT_TRUE(user.messages.shown.isEmpty());

    // The next build without a note shows the usual text again.
    w.CurFileName = scratch.write("Flat.bas", basicModule(2));
    w.OpenSourceFile();
    EXPECT_EQ(w.PnlStatus->text(), "Preview or Print the Current File");
    EXPECT_FALSE(w.G1->isHidden());
}

TEST_F(MainWindowTest, SingleFileReplacesClipboardTextForLaterBuilds) {
    TfrmMain w(scratch.path());
    user.clip.contents = QStringLiteral("Sub FromClipboard()\r\nEnd Sub\r\n");
    w.mnuClipBoardClick();
    EXPECT_EQ(w.SourceKind, skClipboard);
    EXPECT_EQ(enabled(w), "open save fonts page fmt preview print");
    EXPECT_EQ(w.JobTitle, "Listora - Clipboard Print");
    EXPECT_EQ(w.JobSourceName, "ClipBoard");
    const int clipPages = w.PnlPageCount->text().section(' ', 0, 0).toInt();

    const QString bas = scratch.write("Long.BAS", basicModule(120));
    user.willOpen(bas, 3);
    w.cmdOpenClick();
    EXPECT_EQ(w.SourceKind, skSingleFile);
    EXPECT_FALSE(w.ClipText.has_value());
    EXPECT_EQ(w.JobTitle, bas);
    EXPECT_EQ(enabled(w), "open save fonts page fmt preview print");
    const QString filePages = w.PnlPageCount->text();
    EXPECT_NE(filePages.section(' ', 0, 0).toInt(), clipPages);

    // Nothing changed, build again: the file, from a fresh formatter.
    w.cmdBuildPrintClick();
    EXPECT_EQ(w.JobSourceName, bas);
    EXPECT_EQ(w.PnlPageCount->text(), filePages);
}

TEST_F(MainWindowTest, AddOnClipboardTextJoinsPiecesWithTheSeparator) {
    TfrmMain w(scratch.path());
    // With nothing loaded it behaves as Load Clipboard Text.
    user.clip.contents = QStringLiteral("a = 1\r\nb = 2\r\n");
    w.AddOnClipboardText1Click();
    EXPECT_EQ(w.SourceKind, skClipboard);
    ASSERT_TRUE(w.ClipText.has_value());
    EXPECT_EQ(*w.ClipText, (QStringList{"a = 1", "b = 2"}));

    user.clip.contents = QStringLiteral("c = 3");
    w.AddOnClipboardText1Click();
    user.clip.contents = QStringLiteral("d = 4\ne = 5\n");
    w.AddOnClipboardText1Click();
    EXPECT_EQ(*w.ClipText, (QStringList{"a = 1", "b = 2", "", "**********", "", "c = 3", "",
                                        "**********", "", "d = 4", "e = 5"}));
    EXPECT_TRUE(w.HasBuilt());

    // An empty clipboard changes nothing (and says so).
    user.clip.contents.reset();
    w.AddOnClipboardText1Click();
    w.mnuClipBoardClick();
    EXPECT_EQ(w.ClipText->size(), 11);
    EXPECT_EQ(user.messages.shown.size(), 2);
}

TEST(ClipboardText, SplitsAtAnyLineBreakAndStopsAtNul) {
    EXPECT_EQ(splitClipboardText("a\r\nb\rc\nd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitClipboardText("a\r\n\r\n"), (QStringList{"a", ""}));
    EXPECT_EQ(splitClipboardText(QString("x\ny") + QChar(0) + "junk"), (QStringList{"x", "y"}));
    EXPECT_TRUE(splitClipboardText("").isEmpty());
}

TEST_F(MainWindowTest, OpenRemembersFolderWithSeparatorAndFilter) {
    const QString bas = scratch.write("sub/One.bas", basicModule(1));
    TfrmMain w(scratch.path());
    user.willOpen(bas, 3);
    w.cmdOpenClick();
    ASSERT_EQ(user.dialogs.requests.size(), 1);
    EXPECT_EQ(user.dialogs.requests[0].Title, "Opening Project");
    EXPECT_EQ(user.dialogs.requests[0].Filter, kOpenDialogFilter);
    EXPECT_EQ(user.dialogs.requests[0].FilterIndex, 1);

    TIniFile ini;
    EXPECT_EQ(ini.readString("Dialogs-OD", "LoadDir", ""), scratch.path("sub") + "/");
    EXPECT_EQ(ini.readInteger("Dialogs-OD", "LoadFilter", 0), 3);

    // Cancelled: nothing changes, but the dialog started where we left.
    w.cmdOpenClick();
    ASSERT_EQ(user.dialogs.requests.size(), 2);
    EXPECT_EQ(user.dialogs.requests[1].InitialDir, scratch.path("sub") + "/");
    EXPECT_EQ(user.dialogs.requests[1].FilterIndex, 3);
    EXPECT_EQ(w.CurFileName, bas);
    EXPECT_TRUE(w.isEnabled());
}

TEST_F(MainWindowTest, ProjectSettingsFilesSkipTheTextTest) {
    const QString lrp = scratch.write("Job.LRP", QByteArray("\x01\x02", 2));
    TfrmMain w(scratch.path());
    user.willOpen(lrp, 2);
    w.cmdOpenClick();
    // Not refused as "not a text file": it goes to the job loader.
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_FALSE(user.messages.shown[0].Text.startsWith("The file chosen"));
    EXPECT_EQ(w.SourceKind, skNone);
}

TEST_F(MainWindowTest, StoredPositionIsAppliedAtFirstShowReadBackAsWrittenAndKeptOnScreen) {
    if (!canPlaceWindows()) GTEST_SKIP() << "no positions";
    for (const char* name : {"read.lrg", "print.lrg", "build.lrg", "build2.lrg"})
        scratch.write(name, "clip");
    {
        // None stored: centred. Closing stores the client area's corner (the
        // frame is the window manager's) and deletes the clips.
        TfrmMain centred(scratch.path());
        centred.show();
        const QPoint centre = centred.screen()->availableGeometry().center();
        EXPECT_LE(qAbs(centred.frameGeometry().center().x() - centre.x()), 2);
        EXPECT_LE(qAbs(centred.frameGeometry().center().y() - centre.y()), 2);
        centred.close();
        EXPECT_EQ(TIniFile().readInteger("POSITION", "X", -7), centred.geometry().x());
        EXPECT_EQ(TIniFile().readInteger("POSITION", "Y", -7), centred.geometry().y());
        EXPECT_TRUE(QDir(scratch.path()).entryList({"*.lrg"}, QDir::Files).isEmpty());
    }
    QPoint stored(150, 120);
    TIniFile().writeInteger("POSITION", "X", stored.x());
    TIniFile().writeInteger("POSITION", "Y", stored.y());
    for (int start = 0; start < 2; ++start) {
        TfrmMain w(scratch.path());
        w.show();
        EXPECT_EQ(w.geometry().topLeft(), stored) << "start " << start;
        if (start == 0) {
            // The user moves the window; showing it again leaves it there.
            stored = QPoint(160, 130);
            w.setGeometry(QRect(stored, w.size()));
            w.hide();
            w.show();
            w.activateWindow();
            EXPECT_EQ(w.geometry().topLeft(), stored);
        }
        w.close();
        EXPECT_EQ(TIniFile().readInteger("POSITION", "X", -1), stored.x());
        EXPECT_EQ(TIniFile().readInteger("POSITION", "Y", -1), stored.y());
    }
    // Only the coordinate stored as -1 is centred.
    TIniFile().writeInteger("POSITION", "X", 37);
    TIniFile().writeInteger("POSITION", "Y", -1);
    {
        TfrmMain w(scratch.path());
        w.show();
        EXPECT_EQ(w.geometry().x(), 37);
        EXPECT_GT(w.y(), 0);
    }
    // Written on a larger screen (or at another scale): kept on this one.
    TIniFile().writeInteger("POSITION", "X", 100000);
    TIniFile().writeInteger("POSITION", "Y", 100000);
    TfrmMain w(scratch.path());
    w.show();
    EXPECT_TRUE(w.screen()->availableGeometry().contains(w.frameGeometry()));

    const QRect screen(0, 0, 800, 600);
    const QMargins frame(2, 20, 2, 2);
    EXPECT_EQ(placeOnScreen(QRect(100, 100, 300, 200), frame, screen), QPoint(100, 100));
    EXPECT_EQ(placeOnScreen(QRect(700, 500, 300, 200), frame, screen), QPoint(498, 398));
    EXPECT_EQ(placeOnScreen(QRect(-50, 5, 300, 200), frame, screen), QPoint(2, 20));
    EXPECT_EQ(placeOnScreen(QRect(10, 10, 900, 700), frame, screen), QPoint(2, 20))
        << "too large: the title bar stays in view";
}

TEST_F(MainWindowTest, CommandsWithNothingToWorkOnSaySo) {
    TfrmMain w(scratch.path());
    w.cmdPreviewClick();
    w.cmdPrintClick();
    w.cmdBuildPrintClick();
    EXPECT_FALSE(w.HasBuilt());
    ASSERT_EQ(user.messages.shown.size(), 2);
    for (const TRecordedMessage& m : user.messages.shown)
        EXPECT_TRUE(m.Text.contains("open a VB project or source file first"))
            << m.Text.toStdString();

    // An empty clipboard, or one without text, changes nothing but says so.
    user.messages.shown.clear();
    user.clip.contents.reset();
    w.mnuClipBoardClick();
    user.clip.contents = QString();
    w.AddOnClipboardText1Click();
    ASSERT_EQ(user.messages.shown.size(), 2);
    EXPECT_EQ(user.messages.shown[1].Text, "The clipboard holds no text to print.");
    EXPECT_EQ(w.SourceKind, skNone);
    EXPECT_FALSE(w.HasBuilt());

    // A project open with nothing marked (its navigator cancelled): Print
    // and Preview say that and offer the navigator.
    user.messages.shown.clear();
    user.willOpen(copyExampleProject(scratch));
    w.cmdOpenClick();
    ASSERT_EQ(w.SourceKind, skProject);
    EXPECT_FALSE(w.HasBuilt());
    EXPECT_TRUE(w.PnlStatus->text().startsWith("Nothing is marked for printing"));
    w.cmdPrintClick();
    w.cmdPreviewClick();
    EXPECT_EQ(user.navigatorRuns, 1) << "the offer was declined";
    EXPECT_EQ(user.messages.asked,
              (QStringList{"Nothing is marked to print. Open the Project Navigator to mark "
                           "files or procedures?",
                           "Nothing is marked to preview. Open the Project Navigator to mark "
                           "files or procedures?"}));
    EXPECT_TRUE(user.messages.shown.isEmpty());

    // Accepted: the navigator opens, and the print goes on with its marks.
    user.messages.answer = true;
    user.navigator = [](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        return int(QDialog::Accepted);
    };
    int printed = 0;
    commandHooks().Print = [&](QWidget*, TPageStorage&, int, int, const QString&) { ++printed; };
    w.cmdPrintClick();
    commandHooks().Print = {};
    EXPECT_EQ(user.navigatorRuns, 2);
    EXPECT_TRUE(w.HasBuilt());
    EXPECT_EQ(printed, 1);
}

TEST_F(MainWindowTest, FilesNamedOnTheCommandLineOrDroppedAreOpened) {
    const QString project = copyExampleProject(scratch);
    EXPECT_EQ(commandLineFile({"listora", "-style", project}), project);
    EXPECT_EQ(commandLineFile({"listora"}), QString());
    EXPECT_EQ(commandLineFile({"listora", "Demo.vbp"}),
              QDir::current().absoluteFilePath("Demo.vbp"));

    TfrmMain w(scratch.path());
    EXPECT_EQ(w.windowTitle(), "Listora");
    user.navigator = [](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        return int(QDialog::Accepted);
    };
    w.OpenPath(commandLineFile({"listora", project}));
    EXPECT_EQ(w.SourceKind, skProject);
    EXPECT_TRUE(w.HasBuilt());
    EXPECT_EQ(w.windowTitle(), "Demo.vbp - Listora");

    w.OpenPath(scratch.path("Missing.vbp"));
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_EQ(user.messages.shown[0].Text,
              "The file " + scratch.path("Missing.vbp") + " was not found.");
    EXPECT_EQ(w.SourceKind, skProject) << "nothing changed";

    // A module dropped on the window is opened; a picture is refused.
    const auto dropped = [](const QString& path) {
        auto* mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(path)});
        return std::unique_ptr<QMimeData>(mime);
    };
    const auto picture = dropped(scratch.write("logo.png", "png"));
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, picture.get(), Qt::LeftButton,
                            Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &refused);
    EXPECT_FALSE(refused.isAccepted());
    const auto module = dropped(scratch.path("modLedger.bas"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, module.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, module.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &drop);
    EXPECT_EQ(w.SourceKind, skSingleFile);
    EXPECT_EQ(w.CurFileName, scratch.path("modLedger.bas"));
    EXPECT_EQ(w.windowTitle(), "modLedger.bas - Listora");
}

TEST_F(MainWindowTest, PreviewAndPrintPlayBackTheLastBuild) {
    TfrmMain w(scratch.path());
    scratch.write("Long.bas", basicModule(150));
    w.CurFileName = scratch.path("Long.bas");
    w.OpenSourceFile();
    const int pages = w.Formatter()->Pages.PageCount();
    ASSERT_GT(pages, 1);

    QString previewTitle;
    TPageStorage* shown = nullptr;
    user.otherDialog = [&](QDialog& dialog) {
        if (auto* preview = qobject_cast<TfrmPreview*>(&dialog)) {
            previewTitle = preview->windowTitle();
            shown = preview->PageStorage();
        }
        return int(QDialog::Accepted);
    };
    w.cmdPreviewClick();
    EXPECT_EQ(previewTitle, w.JobTitle + " (Preview)");
    EXPECT_EQ(shown, &w.Formatter()->Pages);

    QList<std::pair<int, int>> asked;
    commandHooks().Print = [&](QWidget*, TPageStorage& store, int first, int last,
                               const QString& name) {
        EXPECT_EQ(&store, &w.Formatter()->Pages);
        EXPECT_EQ(name, "Listora");
        asked.append({first, last});
        throw TListoraError("printer on fire");
    };
    w.cmdPrintClick();
    w.cmdPrintClick();
    commandHooks().Print = {};
    EXPECT_EQ(asked, (QList<std::pair<int, int>>{{1, pages}, {1, pages}}));
    EXPECT_TRUE(user.messages.shown.isEmpty()) << "a failed print ends quietly";
    EXPECT_EQ(w.Formatter()->Pages.PageCount(), pages);
}

// Print to File in the print dialog: the listing's own PDF with the
// bookmarks of the batch command's -o, read back with qpdf.
TEST_F(MainWindowTest, PrintToFileWritesTheNavigablePdf) {
    const QString qpdf = QStandardPaths::findExecutable("qpdf");
    if (qpdf.isEmpty()) GTEST_SKIP() << "qpdf is not installed";
    const QString project = copyExampleProject(scratch);
    TfrmMain w(scratch.path());
    user.navigator = [&](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        return int(QDialog::Accepted);
    };
    user.willOpen(project);
    w.cmdOpenClick();
    ASSERT_TRUE(w.HasBuilt());
    const int pages = w.Formatter()->Pages.PageCount();

    const QString pdf = scratch.path("out.pdf");
    scratch.write("out.pdf", "an older file");
    QStringList proposed;
    user.otherDialog = [&](QDialog& dialog) {
        auto* print = qobject_cast<QPrintDialog*>(&dialog);
        if (!print) return int(QDialog::Rejected);
        proposed << print->findChild<QLineEdit*>("filename")->text();
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    };
    w.cmdPrintClick();
    // First the project's name beside it; the file written is confirmed.
    EXPECT_EQ(proposed, QStringList{scratch.path("Demo.pdf")});
    EXPECT_EQ(w.PnlStatus->text(), "Written to " + QDir::toNativeSeparators(pdf));
    EXPECT_TRUE(w.isEnabled());
    EXPECT_EQ(QDir(scratch.path()).entryList({"out*"}, QDir::Files | QDir::Hidden),
              QStringList{"out.pdf"});
    // Printed again, the file written last is proposed.
    user.otherDialog = [&](QDialog& dialog) {
        if (auto* print = qobject_cast<QPrintDialog*>(&dialog))
            proposed << print->findChild<QLineEdit*>("filename")->text();
        return int(QDialog::Rejected);
    };
    w.cmdPrintClick();
    EXPECT_EQ(proposed.value(1), pdf);

    QProcess json;
    json.start(qpdf, {"--json", "--json-key=outlines", "--json-key=pages", pdf});
    ASSERT_TRUE(json.waitForFinished(30000));
    ASSERT_EQ(json.exitCode(), 0) << json.readAllStandardError().toStdString();
    const QJsonObject doc = QJsonDocument::fromJson(json.readAllStandardOutput()).object();
    EXPECT_EQ(doc["pages"].toArray().size(), pages);
    QStringList titles;
    std::function<void(const QJsonArray&, int)> walk = [&](const QJsonArray& items, int depth) {
        for (const QJsonValue& item : items) {
            titles << QString(depth * 2, ' ') + item["title"].toString();
            walk(item["kids"].toArray(), depth + 1);
        }
    };
    walk(doc["outlines"].toArray(), 0);
    ASSERT_FALSE(titles.isEmpty()) << "no outline: Qt's plain printer PDF";
    EXPECT_EQ(titles.first(), "Demo.vbp");
    EXPECT_TRUE(titles.contains("  clsAccount.cls")) << titles.join("|").toStdString();
    EXPECT_TRUE(titles.contains("    Deposit")) << titles.join("|").toStdString();

    // The document information names the project, not its folder.
    QProcess objects;
    objects.start(qpdf, {"--json", "--json-key=qpdf", pdf});
    ASSERT_TRUE(objects.waitForFinished(30000));
    const QJsonObject all =
        QJsonDocument::fromJson(objects.readAllStandardOutput())["qpdf"][1].toObject();
    const QString infoRef = all["trailer"]["value"]["/Info"].toString();
    const QJsonObject info = all["obj:" + infoRef]["value"].toObject();
    EXPECT_EQ(info["/Title"].toString(), "u:Demo.vbp");
    EXPECT_EQ(info["/Subject"].toString(), "u:Visual Basic source listing");
}

TEST_F(MainWindowTest, ChangedSettingsRebuildWhateverIsLoaded) {
    TfrmMain w(scratch.path());
    int fontRuns = 0;
    bool change = true;
    commandHooks().FontsDialog = [&](QWidget* owner, const QString&) {
        EXPECT_EQ(owner, &w);
        ++fontRuns;
        return change;
    };
    w.Fonts1Click();
    EXPECT_EQ(fontRuns, 1);
    EXPECT_FALSE(w.HasBuilt()) << "nothing loaded, nothing built";

    // A project replaced by clipboard text: the rebuild takes the text.
    user.navigator = [](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        return int(QDialog::Accepted);
    };
    w.CurFileName = copyExampleProject(scratch);
    w.OpenSourceFile();
    const QString projectPages = w.PnlPageCount->text();
    user.clip.contents = QStringLiteral("x = 1");
    w.mnuClipBoardClick();
    EXPECT_EQ(w.PnlPageCount->text(), "1 Sheet, 2 Pages");
    EXPECT_EQ(enabled(w), "open save fonts page fmt preview print");
    const QString clipPages = w.PnlPageCount->text();
    EXPECT_NE(clipPages, projectPages);
    w.Fonts1Click();
    EXPECT_EQ(w.JobSourceName, "ClipBoard");
    EXPECT_EQ(w.PnlPageCount->text(), clipPages);

    // Unchanged settings: no rebuild (the formatter stays the built one).
    TSourceCodePrint* before = w.Formatter();
    change = false;
    w.Fonts1Click();
    EXPECT_EQ(w.Formatter(), before);
    commandHooks().FontsDialog = {};

    // Dialogs not built yet say so and change nothing.
    w.F();
    w.PageSetup1Click();
    EXPECT_EQ(user.messages.shown.size(), 2);
    EXPECT_EQ(w.Formatter(), before);

    // One page a sheet: the sheets are the pages, counted once.
    TIniFile().writeBool("PAGELAYOUT", "twopage", false);
    w.cmdBuildPrintClick();
    EXPECT_EQ(w.PnlPageCount->text(), "1 Page");
}

TEST_F(MainWindowTest, UnusableSettingsAreReportedOnceAndTheProgramStartsWithDefaults) {
    TIniFile().writeString("brackets", "nestedindent", "999");
    TfrmMain w(scratch.path());
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Error);
    EXPECT_TRUE(user.messages.shown[0].Text.contains("brackets/nestedindent = 999"))
        << user.messages.shown[0].Text.toStdString();
    EXPECT_EQ(w.Formatter()->Settings.NestedIndent, 3) << "the defaults are in use";

    // Every reload (here after a settings dialog) meets the same file; the
    // same report is not shown again.
    commandHooks().FontsDialog = [](QWidget*, const QString&) { return false; };
    w.Fonts1Click();
    EXPECT_EQ(user.messages.shown.size(), 1);

    // Values brought into range are a warning, and the listing uses them.
    TIniFile().writeString("brackets", "nestedindent", "3");
    TIniFile().writeString("margins", "left", "-5000");
    w.Fonts1Click();
    ASSERT_EQ(user.messages.shown.size(), 2);
    EXPECT_EQ(user.messages.shown[1].Kind, TMessageKind::Warning);
    EXPECT_TRUE(user.messages.shown[1].Text.contains("[margins] left=-5000"));
    EXPECT_EQ(w.Formatter()->Settings.MarginLeft, 13);
    commandHooks() = TCommandHooks{};
    EXPECT_EQ(TIniFile().readString("margins", "left", ""), "-5000") << "the file is not rewritten";
}

TEST_F(MainWindowTest, ASettingsFileThatIsAPipeIsReportedAndTheWindowStillShows) {
    const QString path = TIniFile().fileName();
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    TfrmMain w(scratch.path());
    w.show();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Warning);
    EXPECT_TRUE(user.messages.shown[0].Text.contains("cannot read the settings file " + path +
                                                     ": it is not a regular file"))
        << user.messages.shown[0].Text.toStdString();
    EXPECT_EQ(w.Formatter()->Settings.MarginLeft, 50) << "the defaults are in use";
}

// The toolbar is the window's content: Tab walks its buttons left to right
// (the disabled ones skipped), and the screen-manager
// button kept below the visible area is never reached. The window is of
// fixed size, with nothing to maximise.
TEST_F(MainWindowTest, TabReachesEveryToolbarButtonAndNeverTheHiddenScreenManager) {
    using testsupport::describe;
    const QString project = copyExampleProject(scratch);
    TfrmMain w(scratch.path());
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);

    // The walk as it goes round from the Open button.
    const auto walkFromOpen = [&] {
        QList<QWidget*> walk = testsupport::tabWalk(&w);
        const qsizetype open = walk.indexOf(w.cmdOpen);
        if (open > 0) walk = walk.mid(open) + walk.first(open);
        return walk;
    };

    QList<QWidget*> walk = walkFromOpen();
    EXPECT_EQ(walk, QList<QWidget*>({w.cmdOpen, w.cmdSave, w.cmdPageSetup, w.cmdFonts,
                                     w.cmdFormatting, w.cmdPreview}))
        << describe(walk).toStdString();
    EXPECT_EQ(testsupport::tabWalkFaults(walk, &w), "");

    user.willOpen(project);
    user.navigator = [](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        return int(QDialog::Accepted);
    };
    w.cmdOpenClick();
    ASSERT_TRUE(w.HasBuilt());
    ASSERT_TRUE(w.BtnScreenMgr->isEnabled());

    walk = walkFromOpen();
    EXPECT_EQ(walk, QList<QWidget*>({w.cmdOpen, w.cmdSave, w.cmdPageSetup, w.cmdFonts,
                                     w.cmdFormatting, w.cmdVBProj, w.cmdPreview, w.cmdPrint}))
        << describe(walk).toStdString();
    EXPECT_EQ(testsupport::tabWalkFaults(walk, &w), "");
    EXPECT_FALSE(walk.contains(w.BtnScreenMgr));
    w.hide();
}
