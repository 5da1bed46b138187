// A long build keeps the window alive: the formatter hands control back to
// the event loop many times while the gauge moves and the clip plays.
#include "DesktopTestSupport.h"

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "common/TestSupport.h"
#include "source/ui/PrintJobNavigator.h"
#include "widgets/Animate.h"
#include "widgets/Gauge.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

class TWatchedWindow : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    void processPendingMessages() override {
        if (building) {
            ++pendingDuringBuild;
            if (asBuild->isPlaying() && !asBuild->isHidden()) ++whilePlaying;
            if (!isEnabled()) ++whileDisabled;
        }
        TfrmMain::processPendingMessages();
    }
    void showProgress(const QString& text, int percent) override {
        if (building && percent > 0) ++gaugeReports;
        TfrmMain::showProgress(text, percent);
    }
    bool building = false;
    int pendingDuringBuild = 0;
    int whilePlaying = 0;
    int whileDisabled = 0;
    int gaugeReports = 0;
};

// The corpus project with the most members.
QString largestCorpusProject() {
    const QString root = testsupport::corpusDir();
    if (root.isEmpty()) return {};
    QString best;
    int bestMembers = -1;
    QDirIterator it(root, {"*.vbp", "*.VBP", "*.mak", "*.MAK"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString text = QString::fromLatin1(testsupport::readFile(path));
        int members = 0;
        for (const QString& line : text.split('\n'))
            if (line.startsWith("Form=") || line.startsWith("Module=") ||
                line.startsWith("Class=") || line.startsWith("UserControl="))
                ++members;
        if (members > bestMembers) {
            bestMembers = members;
            best = path;
        }
    }
    return best;
}

} // namespace

TEST(Responsive, LargestCorpusProjectBuildsWithGaugeAndClipMoving) {
    const QString project = largestCorpusProject();
    if (project.isEmpty()) GTEST_SKIP() << "../shared/corpus is absent";
    TScriptedUser user;
    TScratchDir clips;
    // The shipped clips: every build draws them.
    ASSERT_TRUE(expandClips(testsupport::binaryDir() + "/bin/graphics.dat", clips.path()));
    TWatchedWindow w(clips.path());
    user.navigator = [&](TFrmVBPrintJ& nav) {
        nav.MarkAll1Click();
        w.building = true;
        return int(QDialog::Accepted);
    };
    w.CurFileName = project;
    w.OpenSourceFile();
    w.building = false;

    EXPECT_EQ(w.SourceKind, skProject);
    const int pages = w.PnlPageCount->text().section(' ', 0, 0).toInt();
    EXPECT_GT(pages, 20);
    // Once per page at least, and the gauge reported as files are laid out.
    EXPECT_GE(w.pendingDuringBuild, pages);
    EXPECT_GT(w.gaugeReports, 0);
    // All but the one call as the navigator closes: no second command may
    // start while the build runs.
    EXPECT_GE(w.whileDisabled, w.pendingDuringBuild - 1);
    EXPECT_GE(w.whilePlaying, w.pendingDuringBuild - 1);
    EXPECT_GT(w.G1->moves(), 0);
    EXPECT_EQ(w.G1->position(), 0);
    EXPECT_TRUE(w.isEnabled());
}
