// The batch command against absurd settings and resources: every run either
// prints the whole listing (saying what it adjusted) or refuses with one
// clear message and a non-zero status; never a partial listing with 0.
#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

struct TRun {
    int status = -1;
    QString out;
    QString err; // without Qt's own platform notes
};

TRun runPrint(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    // Standard input from a file: a pipe written by this process fails as a write
    // error (and ends the wait) when the program stops reading early, as it must
    // past its input limit.
    QTemporaryFile in;
    if (!input.isNull()) {
        EXPECT_TRUE(in.open() && in.write(input) == input.size() && in.flush());
        p.setStandardInputFile(in.fileName());
    }
    p.start(testsupport::binaryDir() + "/bin/listora-print", args);
    EXPECT_TRUE(p.waitForFinished(180000)) << args.join(' ').toStdString();
    TRun r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError())
                .remove(QRegularExpression("QStandardPaths[^\n]*\n"));
    return r;
}

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override {
        QString text;
        for (int i = 0; i < 400; ++i)
            text += QStringLiteral("    x = x + %1 ' line %1\r\n").arg(i);
        source = dir.filePath("m.bas");
        testsupport::writeFile(source, ("Sub Main()\r\n" + text + "End Sub\r\n").toUtf8());
    }
    QString settings(const QByteArray& text) {
        testsupport::writeFile(dir.filePath("s.ini"), text);
        return dir.filePath("s.ini");
    }
    int pagesWith(const QByteArray& ini) {
        const TRun r = runPrint({source, "--settings", settings(ini), "--count"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return QStringView(r.out).trimmed().split(' ').first().toInt();
    }

    QTemporaryDir dir;
    QString source;
};

} // namespace

TEST_F(HostileInput, OutOfRangeSettingsGiveTheWholeListingAndSayWhatWasAdjusted) {
    const struct {
        QByteArray ini;
        QByteArray same; // the in-range settings it must equal
        QString report;
    } cases[] = {
        {"[margins]\nleft=-5000\n", "[margins]\nleft=13\n", "[margins] left=-5000"},
        {"[general]\nsbl=-1000000\n", "[general]\nsbl=0\n", "[general] sbl=-1000000"},
        {"[general]\nsbl=2147483647\n", "[general]\nsbl=96\n", "[general] sbl=2147483647"},
        {"[code]\nTSize=2147483647\n", "[code]\nTSize=72\n", "[code] TSize=2147483647"},
    };
    for (const auto& c : cases) {
        const TRun r = runPrint({source, "--settings", settings(c.ini), "--count"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << "one report line: " << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("listora-print: settings: " + c.report))
            << r.err.toStdString();
        const int pages = QStringView(r.out).trimmed().split(' ').first().toInt();
        EXPECT_EQ(pages, pagesWith(c.same)) << c.ini.toStdString();
    }
}

TEST_F(HostileInput, SettingsThatCannotWorkAreRefusedWithoutOutput) {
    const QString pdf = dir.filePath("out.pdf");
    for (const QByteArray& ini :
         {QByteArray("[brackets]\nnestedindent=999\n"),
          // (Header and footer fonts shrink to fit their room, so only the
          // code font can take the last of it.)
          QByteArray("[pagelayout]\ntwopage=1\n[margins]\ntop=400\nbottom=400\n"
                     "[code]\nTSize=72\n")}) {
        const TRun r = runPrint({source, "--settings", settings(ini), "-o", pdf});
        EXPECT_EQ(r.status, 1) << ini.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "no page count for a refused listing";
        EXPECT_FALSE(QFileInfo::exists(pdf));
    }
}

TEST_F(HostileInput, MissingOrUnreadableSettingsFilesAreErrors) {
    const TRun missing = runPrint({source, "--settings", dir.filePath("none.ini"), "--count"});
    EXPECT_EQ(missing.status, 1);
    const QString locked = settings("[general]\nsbl=3\n");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile f(locked); f.open(QIODevice::ReadOnly)) GTEST_SKIP() << "running as root";
    const TRun unreadable = runPrint({source, "--settings", locked, "--count"});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_TRUE(unreadable.err.contains("cannot read the settings file"))
        << unreadable.err.toStdString();
}

TEST_F(HostileInput, ResolutionWorkersAndStandardInputHaveClearLimits) {
    for (const QString dpi : {"0", "-5", "abc", "601", "2147483647"}) {
        const TRun r = runPrint({source, "--png", dir.filePath("png"), "--dpi", dpi});
        EXPECT_EQ(r.status, 2) << dpi.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("listora-print: --dpi takes a number from 1 to 600, not "
                                        "\"%1\"\n")
                             .arg(dpi));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("png/page-001.png")));
    }
    const int most = 4 * QThread::idealThreadCount();
    for (const QString& jobs : QStringList{"0", "-1", "two", QString::number(most + 1)}) {
        const TRun r = runPrint({source, "-o", dir.filePath("out.pdf"), "--jobs", jobs});
        EXPECT_EQ(r.status, 2) << jobs.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("listora-print: --jobs takes a number from 1 to %1 (4 per "
                                        "core), not \"%2\"\n")
                             .arg(most)
                             .arg(jobs));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.pdf")));
    }

    QByteArray text = "Sub A()\r\nEnd Sub\r\n";
    const TRun small = runPrint({"-", "--count"}, text);
    EXPECT_EQ(small.status, 0) << small.err.toStdString();
    text.append(QByteArray((64 << 20) - text.size() + 1, 'x'));
    const TRun big = runPrint({"-", "--count"}, text);
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(big.err, "listora-print: standard input is larger than 64 MB; split the text and "
                       "print each part on its own\n");
}
