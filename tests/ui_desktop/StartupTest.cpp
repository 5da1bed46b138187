// The start sequence: the required archive, the splash countdown that
// unpacks the clips, the animation control playing one of them.
#include "DesktopTestSupport.h"

#include "app/MainWindow.h"
#include "app/Splash.h"
#include "app/Startup.h"
#include "archive/ClipFormat.h"
#include "archive/Compress.h"
#include "widgets/Animate.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray smallClip(int frames) {
    TClip clip;
    for (int i = 0; i < frames; ++i) {
        QImage frame(8, 6, QImage::Format_RGB32);
        frame.fill(QColor(40 * i, 100, 200));
        clip.Frames.append(frame.convertToFormat(QImage::Format_Indexed8));
    }
    clip.DelayMs = 20;
    return clipformat::encodeClip(clip);
}

// An archive holding the four clips, like the one shipped.
QString writeGraphicsArchive(const TScratchDir& scratch, const QString& name = "graphics.dat") {
    QDir().mkpath(scratch.path("src"));
    for (const QString& clip : clipNames())
        scratch.write("src/" + clip, smallClip(3));
    // Entries are stored under the names given: relative to the clip folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(scratch.path("src"));
    TCompress archive;
    archive.CompressFiles(scratch.path(name), clipNames(), cmLZH);
    QDir::setCurrent(before);
    return scratch.path(name);
}

bool anyMainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmMain*>(w)) return true;
    return false;
}

} // namespace

TEST(Startup, MissingArchiveWarnsAndCreatesNoWindow) {
    TScriptedUser user;
    TScratchDir programDir;
    TStartOptions options{programDir.path(), programDir.path("clips"), 1, false};
    EXPECT_EQ(startListora(options), nullptr);
    ASSERT_EQ(user.messages.shown.size(), 1);
    EXPECT_EQ(user.messages.shown[0].Kind, TMessageKind::Warning);
    EXPECT_EQ(user.messages.shown[0].Text,
              "The Listora Package Requires the file GRAPHICS.DAT.\r\nWe are unable to find this "
              "file in the current directory.\r\nPlease locate this file and move it into this "
              "directory or\r\nReinstall Listora");
    EXPECT_FALSE(anyMainWindow());
}

TEST(Startup, SplashCountsDownFourTicksThenReplacesTheClips) {
    TScratchDir scratch;
    const QString archive = writeGraphicsArchive(scratch);
    const QString clips = scratch.path("clips");
    QDir().mkpath(clips);
    scratch.write("clips/read.lrg", "stale");

    TfrmSplash splash(archive, clips);
    QList<int> counts;
    for (int tick = 0; tick < 3; ++tick) {
        splash.Timer1Timer();
        counts << splash.Counter();
        EXPECT_TRUE(splash.SplashBusy());
    }
    EXPECT_EQ(counts, (QList<int>{305, 185, 65}));
    EXPECT_EQ(QFile(clips + "/read.lrg").size(), 5) << "nothing unpacked before the last tick";
    splash.Timer1Timer();
    EXPECT_EQ(splash.Counter(), -55);
    EXPECT_FALSE(splash.SplashBusy());
    EXPECT_TRUE(splash.ClipsExpanded());
    for (const QString& name : clipNames())
        EXPECT_NO_THROW(clipformat::readClip(clips + "/" + name)) << name.toStdString();
    // Further ticks do nothing.
    splash.Timer1Timer();
    EXPECT_EQ(splash.Counter(), -55);
}

TEST(Startup, UnreadableArchiveStillEndsTheSplash) {
    TScratchDir scratch;
    const QString archive = scratch.write("graphics.dat", "not an archive at all");
    TfrmSplash splash(archive, scratch.path());
    for (int tick = 0; tick < 4; ++tick)
        splash.Timer1Timer();
    EXPECT_FALSE(splash.SplashBusy());
    EXPECT_FALSE(splash.ClipsExpanded());
}

TEST(Startup, FullStartFindsArchiveInAnyCaseAndUnpacksClips) {
    TScriptedUser user;
    TScratchDir scratch;
    writeGraphicsArchive(scratch, "GRAPHICS.DAT");
    TStartOptions options{scratch.path(), scratch.path("clips"), 1, false};
    std::unique_ptr<TfrmMain> w = startListora(options);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(user.messages.shown.isEmpty());
    EXPECT_EQ(w->windowTitle(), "Listora");
    EXPECT_EQ(QDir(options.ClipFolder).entryList({"*.lrg"}, QDir::Files).size(), 4);

    // The animation control plays what was unpacked; a missing clip leaves
    // it empty without failing.
    TAnimate player;
    ASSERT_TRUE(player.setFileName(options.ClipFolder + "/build2.lrg"));
    EXPECT_EQ(player.frameCount(), 3);
    player.play();
    EXPECT_TRUE(player.isPlaying());
    EXPECT_FALSE(player.setFileName(options.ClipFolder + "/none.lrg"));
    EXPECT_FALSE(player.isPlaying());
    player.play();
    EXPECT_FALSE(player.isPlaying());
}

// Where the window system shows translucency the disc is painted with a
// smooth edge (partly covered pixels partly transparent); elsewhere, as
// off screen, the window is cut round by a mask.
TEST(Startup, SplashDiscHasASmoothEdgeWhereTranslucencyShowsAndAMaskElsewhere) {
    TScratchDir scratch;
    const QString archive = scratch.path("graphics.dat");
    TfrmSplash plain(archive, scratch.path());
    EXPECT_EQ(plain.Shape(), TfrmSplash::TShape::Masked);
    EXPECT_FALSE(plain.mask().isEmpty());

    TfrmSplash round(archive, scratch.path(), 750, TfrmSplash::TShape::Translucent);
    EXPECT_TRUE(round.mask().isEmpty());
    EXPECT_TRUE(round.testAttribute(Qt::WA_TranslucentBackground));
    const QImage image = round.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0) << "corner";
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, 20)), 255) << "inside the disc";
    int partly = 0;
    for (int y = 0; y < image.height() / 2; ++y)
        for (int x = 0; x < image.width() / 2; ++x)
            if (const int alpha = qAlpha(image.pixel(x, y)); alpha > 0 && alpha < 255) ++partly;
    // The quarter edge is about 330 px long: most of its pixels are blended.
    EXPECT_GT(partly, 150);

    // No compositor: the disc is painted over a picture of the screen below.
    TfrmSplash backed(archive, scratch.path(), 750, TfrmSplash::TShape::Masked);
    EXPECT_FALSE(backed.PaintOverBackdrop(QPixmap())) << "nothing grabbed: the mask stays";
    EXPECT_FALSE(backed.mask().isEmpty());
    const QColor desk(64, 96, 160);
    QPixmap backdrop(backed.size() * 2);
    backdrop.setDevicePixelRatio(2);
    backdrop.fill(desk);
    ASSERT_TRUE(backed.PaintOverBackdrop(backdrop));
    EXPECT_EQ(backed.Shape(), TfrmSplash::TShape::OverBackdrop);
    EXPECT_TRUE(backed.mask().isEmpty());
    const QImage over = backed.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(over.pixel(2, 2)), desk) << "corner";
    EXPECT_EQ(QColor(over.pixel(over.width() / 2, 20)), QColor(Qt::black)) << "inside the disc";
    int blended = 0;
    for (int y = 0; y < over.height() / 2; ++y)
        for (int x = 0; x < over.width() / 2; ++x)
            if (const QRgb c = over.pixel(x, y);
                qBlue(c) > 0 && qBlue(c) < desk.blue() && qRed(c) < qBlue(c))
                ++blended;
    EXPECT_GT(blended, 150);
}
