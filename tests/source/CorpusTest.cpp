// Every project and source file of the shared corpus of real VB code: the
// loader must find exactly the members that exist as text files, and the
// analyzer must start a section at exactly the declaration lines counted
// here by a separate, line-anchored rule.
#include "SourceTestSupport.h"

#include "common/TestSupport.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const QStringList kSourceSuffixes = {"bas", "frm", "cls", "ctl", "pag", "dob", "dsr", "txt"};

QStringList corpusFiles(const QString& root, const QStringList& suffixes) {
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains("/_licenses/")) continue;
        if (suffixes.contains(QFileInfo(path).suffix().toLower())) out << path;
    }
    out.sort();
    return out;
}

// Declaration lines: Sub, Function, Property Get or Property Let after
// Public, Private or Friend (indented by blanks inside #If blocks), or
// Sub, Function or Property Get/Let/Set at the very start of the line.
// The analyzer deliberately does not start sections at: Static procedures
// ("Static Sub", "Public Static Function"), Property Set with a scope
// ("Public Property Set"), Declare lines, comment lines, and declarations
// indented so far that the keyword starts after column 14 (Sub) or 16
// (Function, Property).
int countDeclarations(const QByteArray& bytes) {
    static const QRegularExpression declaration(
        "^(?: *(?:Public |Private |Friend )(Sub |Function |Property Get |Property Let )"
        "|(Sub |Function |Property Get |Property Let |Property Set ))");
    int count = 0;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        // Lone CR line ends do not occur in the corpus; Latin-1 keeps the
        // ASCII keywords whatever the code page.
        const QRegularExpressionMatch m = declaration.match(QString::fromLatin1(line));
        if (!m.hasMatch()) continue;
        const int group = m.capturedStart(1) >= 0 ? 1 : 2;
        const int window = m.captured(group) == QLatin1String("Sub ") ? 14 : 16;
        if (m.capturedStart(group) < window) ++count;
    }
    return count;
}

// Members named by the project, found without the loader: keys at the
// start of a line, paths compared case-insensitively against the files
// that exist, and the first byte printable.
QSet<QString> expectedMembers(const QString& projectPath, const QSet<QString>& existing) {
    static const QStringList formKeys = {"Form", "UserControl", "PropertyPage", "UserDocument",
                                         "Designer"};
    const QByteArray bytes = testsupport::readFile(projectPath);
    const QString text = QString::fromUtf8(bytes).contains(QChar(0xFFFD))
                             ? QString::fromLatin1(bytes)
                             : QString::fromUtf8(bytes);
    const QDir dir = QFileInfo(projectPath).absoluteDir();
    QSet<QString> members;
    for (QString line : text.split('\n')) {
        line.remove('\r');
        QString name;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0) {
            name = line;
        } else {
            const QString key = line.left(eq);
            if (formKeys.contains(key))
                name = line.mid(eq + 1);
            else if (key == "Module" || key == "Class")
                name = line.mid(line.indexOf(';') + 1).trimmed();
        }
        const QString upper = name.toUpper();
        if (name.isEmpty() || name.contains(':') || upper.endsWith(".VBX") ||
            upper.endsWith(".DLL"))
            continue;
        const QString full = QDir::cleanPath(dir.absoluteFilePath(name.replace('\\', '/')));
        if (existing.contains(full.toLower())) members.insert(full.toLower());
    }
    return members;
}

} // namespace

TEST(Corpus, EveryProjectAndFileOfTheCorpus) {
    const QString root = testsupport::corpusDir();
    if (root.isEmpty()) GTEST_SKIP() << "../shared/corpus is absent: corpus check skipped";

    // Text files that exist, by lower-cased clean path.
    QSet<QString> existing;
    for (const QString& path : corpusFiles(root, kSourceSuffixes))
        if (IsASCIIFile(path)) existing.insert(QDir::cleanPath(path).toLower());

    int projects = 0, members = 0, projectSections = 0;
    QSet<QString> allMembers;
    for (const QString& project : corpusFiles(root, {"vbp", "mak"})) {
        SCOPED_TRACE(project.toStdString());
        TSourceMgt sources;
        QString title;
        TRecordingMessages quiet;
        ASSERT_TRUE(LoadProjectFile(sources, project, title));
        ++projects;
        QSet<QString> found;
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            found.insert(QDir::cleanPath(f->Path).toLower());
        EXPECT_EQ(found, expectedMembers(project, existing));
        allMembers += found;
        EXPECT_EQ(sources.FileCount(), found.size());
        members += sources.FileCount();
        ASSERT_NO_THROW(sources.AnalyzeProject());
        for (RFile* f = sources.FirstFile(); f->Next; f = f->Next)
            for (RFunction* s = f->Functions; s->Next; s = s->Next)
                ++projectSections;
    }

    // The hard cases of the corpus: names written in Windows-1252, letter
    // case that differs in a folder or a file name, parent-relative paths,
    // user controls and property pages, .TXT members.
    for (const char* hard :
         {"biabank/prêt.frm", "biabank/cptrelevé_srv.bas", "biabank/accaut.bas",
          "vbfcgi/src/shared/mlibs.bas", "wintape/frmgraph.frm", "vbasyncsocket/src/ctlssocket.cls",
          "vbccr/standard exe version/builds/listview/listview.ctl",
          "vbccr/standard exe version/builds/listview/pplistviewgeneral.pag",
          "vfedit/tifdll/tiflib/dlgcon.txt"})
        EXPECT_TRUE(allMembers.contains(QDir(root).filePath(QString::fromUtf8(hard)).toLower()))
            << hard;

    // Every source file on its own, in or out of a project.
    int files = 0, sections = 0, mismatches = 0;
    for (const QString& path : corpusFiles(root, kSourceSuffixes)) {
        TSourceMgt sources;
        RFile* f = sources.AddFile();
        f->Path = path;
        f->FileName = QFileInfo(path).fileName();
        ASSERT_NO_THROW(sources.AnalyzeFile(*f)) << path.toStdString();
        ++files;
        int procedures = -1; // the declarations section is not a procedure
        for (RFunction* s = f->Functions; s->Next; s = s->Next)
            ++procedures;
        sections += procedures + 1;
        const int expected = countDeclarations(testsupport::readFile(path));
        if (procedures != expected && ++mismatches <= 20)
            ADD_FAILURE() << path.toStdString() << ": " << procedures << " sections, " << expected
                          << " declaration lines";
    }
    EXPECT_EQ(mismatches, 0);
    std::printf("corpus: %d projects, %d members (%d sections), %d files, %d sections\n", projects,
                members, projectSections, files, sections);
}
