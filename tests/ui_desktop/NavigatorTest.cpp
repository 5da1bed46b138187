// The navigator's marks: clicks on sections and files, Insert and Delete,
// Mark All and Unmark All, the counter and the root animation.
#include "DesktopTestSupport.h"

#include "common/FocusWalk.h"
#include "common/GitTestRepo.h"
#include "common/TestSupport.h"
#include "history/ChangeHistory.h"
#include "platform/IniFile.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"
#include "source/ui/PrintJobNavigator.h"
#include "widgets/Glyphs.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class NavigatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString title;
        ASSERT_TRUE(LoadProjectFile(sources, copyExampleProject(scratch), title));
        sources.AnalyzeProject();
        nav.SetSelectedCount(sources.FillTree(nav, "Demo.vbp", true));
        module = findNode(nav, "modLedger.bas");
        ASSERT_NE(module, nullptr);
        ASSERT_GE(module->childCount(), 3);
    }

    RFunction* section(QTreeWidgetItem* item) { return nav.DataOf(item).Section; }
    QStringList markedNames() {
        QStringList names;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            for (RFunction* s = f->Functions; s->Next; s = s->Next)
                if (s->Marked) names << f->FileName + ":" + s->Name.trimmed();
        return names;
    }
    int markedInAnalyzer() {
        int n = 0;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            for (RFunction* s = f->Functions; s->Next; s = s->Next)
                n += s->Marked;
        return n;
    }

    TScratchDir scratch;
    TSourceMgt sources;
    TFrmVBPrintJ nav;
    QTreeWidgetItem* module = nullptr;
};

} // namespace

TEST_F(NavigatorTest, TreeShowsFilesAndSectionsWithTheirPictures) {
    QTreeWidgetItem* root = nav.RootNode();
    EXPECT_EQ(root->text(0), "Demo.vbp");
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(root), siRoot);
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(findNode(nav, "frmLedger.frm")), siForm);
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(module), siModule);
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(findNode(nav, "clsAccount.cls")), siOtherFile);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(module), siUnmarked);
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(module->child(0)), siSection);
    EXPECT_EQ(nav.pnlSelected->text(), "0");
    EXPECT_EQ(nav.windowTitle(), "Project Navigator");
}

TEST_F(NavigatorTest, SectionClicksToggleMarkAndCounter) {
    QTreeWidgetItem* first = module->child(1);
    clickNode(nav, first);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(first), siMarked);
    EXPECT_EQ(section(first)->Marked, 1);
    EXPECT_EQ(nav.SelectedCount(), 1);
    clickNode(nav, first);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(first), siUnmarked);
    EXPECT_EQ(section(first)->Marked, 0);
    EXPECT_EQ(nav.SelectedCount(), 0);
}

TEST_F(NavigatorTest, FileClickMarksOnlyUnmarkedSectionsThenUnmarksAll) {
    clickNode(nav, module->child(0));
    clickNode(nav, module->child(2));
    ASSERT_EQ(nav.SelectedCount(), 2);
    clickNode(nav, module);
    EXPECT_EQ(nav.SelectedCount(), module->childCount());
    EXPECT_EQ(markedInAnalyzer(), module->childCount());
    EXPECT_EQ(nav.DataOf(module).File->Marked, 1);
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(module), siModule) << "the file's picture stays";
    clickNode(nav, module);
    EXPECT_EQ(nav.SelectedCount(), 0);
    EXPECT_EQ(markedInAnalyzer(), 0);
}

TEST_F(NavigatorTest, ChecksShowNoneSomeOrAllAndAFileClickFollowsWhatItShows) {
    nav.btnMarkAll->click();
    const int all = markedInAnalyzer();
    EXPECT_GT(all, module->childCount());
    EXPECT_EQ(nav.SelectedCount(), all);
    EXPECT_EQ(module->checkState(0), Qt::Checked);
    EXPECT_EQ(nav.RootNode()->checkState(0), Qt::Checked);
    // A file shown fully marked is unmarked by the first click.
    clickNode(nav, module);
    EXPECT_EQ(nav.SelectedCount(), all - module->childCount());
    EXPECT_EQ(module->checkState(0), Qt::Unchecked);
    EXPECT_EQ(nav.RootNode()->checkState(0), Qt::PartiallyChecked);
    clickNode(nav, module->child(0));
    EXPECT_EQ(module->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(module->child(0)->checkState(0), Qt::Checked);
    nav.btnUnmarkAll->click();
    EXPECT_EQ(nav.SelectedCount(), 0);
    EXPECT_EQ(markedInAnalyzer(), 0);
    EXPECT_EQ(nav.RootNode()->checkState(0), Qt::Unchecked);
}

TEST_F(NavigatorTest, SpaceTogglesTheCurrentLineAndTheProjectLineMarksEverything) {
    EXPECT_EQ(nav.tvSource->currentItem(), nav.RootNode()) << "the keyboard starts on the project";
    QTreeWidgetItem* item = module->child(1);
    pressKey(nav, item, Qt::Key_Space);
    EXPECT_EQ(section(item)->Marked, 1);
    EXPECT_EQ(module->checkState(0), Qt::PartiallyChecked);
    pressKey(nav, module, Qt::Key_Space);
    EXPECT_EQ(nav.SelectedCount(), module->childCount()) << "the rest of the file";
    pressKey(nav, module, Qt::Key_Space);
    EXPECT_EQ(nav.SelectedCount(), 0);

    pressKey(nav, nav.RootNode(), Qt::Key_Space);
    const int all = markedInAnalyzer();
    EXPECT_EQ(nav.SelectedCount(), all);
    EXPECT_GT(all, module->childCount());
    for (int i = 0; i < nav.RootNode()->childCount(); ++i)
        EXPECT_EQ(nav.RootNode()->child(i)->checkState(0), Qt::Checked);
    clickNode(nav, nav.RootNode());
    EXPECT_EQ(nav.SelectedCount(), 0);
    EXPECT_EQ(markedInAnalyzer(), 0);
}

TEST_F(NavigatorTest, OkWithNothingMarkedSaysSoAndStaysOpen) {
    TScriptedUser user;
    nav.show();
    nav.cmdOK->click();
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_TRUE(user.messages.shown[0].Text.startsWith("Nothing is marked for printing"));
    EXPECT_TRUE(nav.isVisible());
    EXPECT_EQ(nav.result(), QDialog::Rejected);
    clickNode(nav, module->child(0));
    nav.cmdOK->click();
    EXPECT_EQ(nav.result(), QDialog::Accepted);
    EXPECT_EQ(user.messages.shown.size(), 1);
}

TEST_F(NavigatorTest, InsertAndDeleteKeys) {
    QTreeWidgetItem* item = module->child(1);
    pressKey(nav, item, Qt::Key_Insert);
    EXPECT_EQ(section(item)->Marked, 1);
    EXPECT_EQ(nav.SelectedCount(), 1);
    pressKey(nav, item, Qt::Key_Insert);
    EXPECT_EQ(nav.SelectedCount(), 1) << "Insert on a marked section changes nothing";
    pressKey(nav, item, Qt::Key_Delete);
    pressKey(nav, item, Qt::Key_Delete);
    EXPECT_EQ(section(item)->Marked, 0);
    EXPECT_EQ(nav.SelectedCount(), 0);
    // On a file node the keys set its own mark and leave the counter.
    pressKey(nav, module, Qt::Key_Insert);
    EXPECT_EQ(nav.DataOf(module).File->Marked, 1);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(module), siMarked);
    EXPECT_EQ(nav.SelectedCount(), 0);
}

TEST_F(NavigatorTest, RootAnimationCyclesFramesWithAPause) {
    QList<int> frames;
    for (int tick = 0; tick < 10; ++tick) {
        nav.tmrAnimTimer();
        frames << TFrmVBPrintJ::StateImageOf(nav.RootNode());
    }
    EXPECT_EQ(frames, (QList<int>{7, 8, 9, 10, 10, 7, 8, 9, 10, 10}));
    EXPECT_EQ(TFrmVBPrintJ::ImageOf(nav.RootNode()), -1);
}

TEST_F(NavigatorTest, ReopeningShowsEarlierMarksAndCount) {
    clickNode(nav, module->child(0));
    clickNode(nav, module->child(1));
    TFrmVBPrintJ again;
    EXPECT_EQ(sources.FillTree(again, "Demo.vbp", true), 2);
    QTreeWidgetItem* reopened = findNode(again, "modLedger.bas");
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(reopened->child(1)), siMarked);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(reopened->child(2)), siUnmarked);
}

// The pictures of the outline and of the toolbar come in the pixel size of
// a high-density screen (a 1x drawing would be handed out as it is, and
// enlarged).
TEST_F(NavigatorTest, PicturesAreDrawnForTheScreen) {
    const QSize rowPicture = nav.tvSource->iconSize();
    for (qreal ratio : {1.0, 2.0, 3.0}) {
        const QPixmap drawn = module->icon(0).pixmap(rowPicture, ratio);
        EXPECT_EQ(drawn.size(), rowPicture * ratio) << ratio;
        const QPixmap tool = toolGlyph(TToolGlyph::Preview).pixmap(QSize(32, 32), ratio);
        EXPECT_EQ(tool.size(), QSize(32, 32) * ratio) << ratio;
    }
}

// Tab reaches every control, as they sit on screen: the outline, then the
// buttons left to right. The size the user gave the window is kept.
TEST_F(NavigatorTest, TabFollowsTheScreenAndTheSizeIsKept) {
    QList<QWidget*> walk = testsupport::tabWalk(&nav);
    EXPECT_EQ(testsupport::tabWalkFaults(walk, &nav), "");
    const qsizetype tree = walk.indexOf(nav.tvSource);
    ASSERT_GE(tree, 0);
    walk = walk.mid(tree) + walk.mid(0, tree);
    EXPECT_EQ(walk, (QList<QWidget*>{nav.tvSource, nav.btnMarkAll, nav.btnUnmarkAll, nav.cmdOK,
                                     nav.btnCancel, nav.btnHelp}))
        << testsupport::describe(walk).toStdString();

    QFile::remove(TIniFile().fileName());
    nav.resize(nav.size() + QSize(60, 40));
    const QSize resized = nav.size();
    nav.btnCancel->click();
    TFrmVBPrintJ again;
    again.show();
    EXPECT_EQ(again.size(), resized);
    QFile::remove(TIniFile().fileName());
}

// "Mark Changed Since..." marks what the batch command's --changed-since
// marks: here the one edited procedure, in the records and in the tree.
// Outside a work tree, or with an unknown revision, it says why and leaves
// the marks as they were.
TEST_F(NavigatorTest, MarkChangedSinceMarksExactlyTheEditedProcedure) {
    TScriptedUser user;
    nav.SetChangeSource(&sources, scratch.path("Demo.vbp"));
    EXPECT_FALSE(nav.btnMarkChanged->isHidden());
    clickNode(nav, module->child(0));
    TChangeRequest request;
    request.From = "HEAD";
    EXPECT_FALSE(nav.MarkChangedSince(request));
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Error);
    EXPECT_EQ(nav.SelectedCount(), 1);
    EXPECT_EQ(nav.TakeChanges(), nullptr);

    TTestRepo::commitFolder(scratch.path());
    const QString ledger = scratch.path("modLedger.bas");
    QByteArray text = testsupport::readFile(ledger);
    ASSERT_TRUE(text.contains("    running = balance\r\n"));
    testsupport::writeFile(
        ledger, text.replace("    running = balance\r\n", "    running = balance * 1\r\n"));
    EXPECT_TRUE(nav.MarkChangedSince(request)) << user.messages.shown.last().Text.toStdString();
    EXPECT_EQ(markedNames(), QStringList{"modLedger.bas:MonthlyInterest"});
    EXPECT_EQ(nav.SelectedCount(), 1);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(module->child(0)), siUnmarked);
    QTreeWidgetItem* edited = findNode(nav, " MonthlyInterest");
    ASSERT_NE(edited, nullptr);
    EXPECT_EQ(TFrmVBPrintJ::StateImageOf(edited), siMarked);
    EXPECT_EQ(module->checkState(0), Qt::PartiallyChecked);

    request.From = "no-such-revision";
    EXPECT_FALSE(nav.MarkChangedSince(request));
    EXPECT_EQ(user.messages.shown.size(), 2);
    EXPECT_EQ(markedNames(), QStringList{"modLedger.bas:MonthlyInterest"});
    // The successful marking's history, for the bars of the build.
    const std::unique_ptr<TChangeHistory> changes = nav.TakeChanges();
    ASSERT_NE(changes, nullptr);
    EXPECT_EQ(changes->Request().From, "HEAD");
    int barred = 0;
    for (const TLineMarks& marks : changes->Bars())
        barred += int(marks.Changed.size());
    EXPECT_EQ(barred, 1);
}
