#include "platform/Resources.h"
#include "platform/HelpBook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

// The build folder and a copied program folder keep everything beside the
// programs; an installation keeps it in <prefix>/share/listora.
TEST(Resources, FindsDataBesideTheProgramAndInTheInstalledLayout) {
    QTemporaryDir beside;
    touch(beside.filePath("graphics.dat"));
    touch(beside.filePath("help/index.html"));
    EXPECT_EQ(findResourceFile(beside.path(), "graphics.dat"), beside.filePath("graphics.dat"));
    EXPECT_EQ(helpBookFolder(beside.path()), beside.filePath("help"));

    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    QDir().mkpath(bin);
    touch(prefix.filePath("share/listora/graphics.dat"));
    touch(prefix.filePath("share/listora/help/index.html"));
    EXPECT_EQ(findResourceFile(bin, "graphics.dat"), prefix.filePath("share/listora/graphics.dat"));
    EXPECT_EQ(helpBookFolder(bin), prefix.filePath("share/listora/help"));

    // A copy beside the program wins over the installed one.
    touch(prefix.filePath("bin/graphics.dat"));
    touch(prefix.filePath("bin/help/index.html"));
    EXPECT_EQ(findResourceFile(bin, "graphics.dat"), prefix.filePath("bin/graphics.dat"));
    EXPECT_EQ(helpBookFolder(bin), prefix.filePath("bin/help"));
}

TEST(Resources, NamesInOtherLetterCaseAndMissingData) {
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    QDir().mkpath(bin);
    EXPECT_TRUE(findResourceFile(bin, "graphics.dat").isEmpty());
    // Without any book the viewer is pointed beside the program, where it
    // reports the missing page.
    EXPECT_EQ(helpBookFolder(bin), prefix.filePath("bin/help"));

    touch(prefix.filePath("share/listora/GRAPHICS.DAT"));
    EXPECT_EQ(findResourceFile(bin, "graphics.dat"), prefix.filePath("share/listora/GRAPHICS.DAT"));
    // A folder of that name is no archive.
    QDir().mkpath(prefix.filePath("bin/graphics.dat"));
    EXPECT_EQ(findResourceFile(bin, "graphics.dat"), prefix.filePath("share/listora/GRAPHICS.DAT"));
}
