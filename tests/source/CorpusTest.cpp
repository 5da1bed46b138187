// Every project and source file of the shared corpus of real VB code: the
// loader must find exactly the members that exist as text files, and the
// analyzer must start a section at exactly the declaration lines counted
// here by a separate, line-anchored rule; no name the name model resolves
// leads where Visual Basic would not go.
#include "SourceTestSupport.h"

#include "common/TestSupport.h"
#include "names/NameModel.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QStringList corpusFiles(const QString& root, const QStringList& suffixes) {
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.contains("/_licenses/") && suffixes.contains(it.fileInfo().suffix().toLower()))
            out << path;
    }
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
    // Latin-1 keeps the ASCII keywords whatever the code page; the corpus
    // has no lone-CR line ends.
    for (const QString& line : QString::fromLatin1(bytes).remove('\r').split('\n')) {
        const QRegularExpressionMatch m = declaration.match(line);
        const int group = m.capturedStart(1) >= 0 ? 1 : 2;
        if (m.hasMatch() && m.capturedStart(group) < (m.captured(group) == "Sub " ? 14 : 16))
            ++count;
    }
    return count;
}

// Members named by the project, found without the loader: member keys at
// the start of a line, Windows-1252 read as Latin-1 (same letters), paths
// looked up case-insensitively among the text files that exist.
QSet<QString> expectedMembers(const QString& project, const QSet<QString>& existing) {
    const QByteArray bytes = testsupport::readFile(project);
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar(0xFFFD))) text = QString::fromLatin1(bytes);
    QSet<QString> members;
    for (const QString& line : text.remove('\r').split('\n')) {
        const QString key = line.section('=', 0, 0);
        QString name = line.section('=', 1);
        if (!line.contains('='))
            name = line;
        else if (key == "Module" || key == "Class")
            name = name.section(';', 1).trimmed();
        else if (!QStringList{"Form", "UserControl", "PropertyPage", "UserDocument", "Designer"}
                      .contains(key))
            continue;
        const QString full =
            QDir::cleanPath(QFileInfo(project).absolutePath() + '/' + name.replace('\\', '/'));
        if (!name.contains(':') && !name.toUpper().endsWith(".VBX") &&
            existing.contains(full.toLower()))
            members.insert(full.toLower());
    }
    return members;
}

} // namespace

TEST(Corpus, EveryProjectAndFileOfTheCorpus) {
    const QString root = testsupport::corpusDir();
    if (root.isEmpty()) GTEST_SKIP() << "../shared/corpus is absent: corpus check skipped";
    const QStringList sources =
        corpusFiles(root, {"bas", "frm", "cls", "ctl", "pag", "dob", "dsr", "txt"});
    QSet<QString> existing; // text files by lower-cased path
    for (const QString& path : sources) {
        const QByteArray first = testsupport::readFile(path).left(1);
        if (!first.isEmpty() && first[0] >= ' ' && first[0] <= '~') existing.insert(path.toLower());
    }

    int projects = 0, members = 0;
    QSet<QString> allMembers;
    for (const QString& project : corpusFiles(root, {"vbp", "mak"})) {
        SCOPED_TRACE(project.toStdString());
        TSourceMgt analyzer;
        QString title;
        ASSERT_TRUE(LoadProjectFile(analyzer, project, title));
        QSet<QString> found;
        for (RFile* f = analyzer.FirstFile(); f->Next; f = f->Next)
            found.insert(QDir::cleanPath(f->Path).toLower());
        EXPECT_EQ(found, expectedMembers(project, existing));
        EXPECT_EQ(analyzer.FileCount(), found.size());
        ASSERT_NO_THROW(analyzer.AnalyzeProject());
        ++projects;
        members += analyzer.FileCount();
        allMembers += found;
    }
    // The hard cases: names written in Windows-1252, letter case that
    // differs in a folder or file name, parent-relative paths, controls,
    // property pages and .TXT members.
    for (const char* hard :
         {"biabank/prêt.frm", "biabank/cptrelevé_srv.bas", "biabank/accaut.bas",
          "vbfcgi/src/shared/mlibs.bas", "wintape/frmgraph.frm", "vbasyncsocket/src/ctlssocket.cls",
          "vbccr/standard exe version/builds/listview/listview.ctl",
          "vbccr/standard exe version/builds/listview/pplistviewgeneral.pag",
          "vfedit/tifdll/tiflib/dlgcon.txt"})
        EXPECT_TRUE(allMembers.contains((root + '/' + QString::fromUtf8(hard)).toLower())) << hard;

    int files = 0, sections = 0;
    for (const QString& path : sources) {
        TSourceMgt analyzer;
        RFile* f = analyzer.AddFile();
        f->Path = path;
        ASSERT_NO_THROW(analyzer.AnalyzeFile(*f)) << path.toStdString();
        int procedures = -1; // the declarations section is not one
        for (RFunction* s = f->Functions; s->Next; s = s->Next)
            ++procedures;
        EXPECT_EQ(procedures, countDeclarations(testsupport::readFile(path))) << path.toStdString();
        ++files;
        sections += procedures + 1;
    }
    std::printf("corpus: %d projects, %d members, %d files, %d sections\n", projects, members,
                files, sections);
}

// Over every line of every corpus project: no name leads to a Private
// procedure of another file, and no member after a dot leads to a standard
// module's procedure unless the dot follows that module's own name.
TEST(Corpus, NamesLeadOnlyWhereVisualBasicGoes) {
    const QStringList projects = testsupport::corpusProjects();
    if (projects.isEmpty()) GTEST_SKIP() << "../shared/corpus is absent: corpus check skipped";
    QStringList figures;
    for (const QString& project : projects) {
        SCOPED_TRACE(project.toStdString());
        TSourceMgt analyzer;
        QString title;
        ASSERT_TRUE(LoadProjectFile(analyzer, project, title));
        analyzer.AnalyzeProject();
        TNameModel model;
        AddProjectFiles(model, analyzer.FirstFile(), analyzer);
        long long names = 0;
        for (RFile* f = analyzer.FirstFile(); f->Next; f = f->Next) {
            analyzer.LoadFileText(*f);
            const int file = model.FileIndex(f->FileName);
            for (int line = 0; line < int(f->Lines.size()); ++line) {
                const QString& text = f->Lines[line];
                for (const TNameModel::TSpan& span : model.ProcedureNames(file, line, text)) {
                    ++names;
                    const TNameFile& target = model.File(span.Ref.File);
                    const TNameMember& m = target.Members[std::size_t(span.Ref.Member)];
                    const std::string where =
                        (f->FileName + ':' + QString::number(line + 1) + ": " + text).toStdString();
                    EXPECT_TRUE(span.Ref.File == file || m.Scope != TNameScope::Private) << where;
                    if (span.Start > 0 && text[span.Start - 1] == '.' &&
                        target.Kind == TNameFileKind::Module) {
                        const QStringView before = QStringView(text).first(span.Start - 1);
                        EXPECT_TRUE(before.endsWith(target.Name, Qt::CaseInsensitive)) << where;
                    }
                }
            }
            analyzer.UnloadFileText(f->FileName);
        }
        figures << QStringLiteral("%1 %2").arg(QFileInfo(project).fileName()).arg(names);
    }
    std::printf("names leading to procedures: %s\n", qPrintable(figures.join(", ")));
}
