#pragma once
// The source analyzer: a loaded project as a chain of file records, each
// split into its declarations and one section per Sub, Function or
// Property, with the print marks set on the sections.
#include "source/SourceRecords.h"
#include "source/SourceTree.h"
#include "source/TextDecoding.h"

#include <QString>
#include <QStringList>

class IProgress;

class TSourceMgt {
public:
    // progress may be null (nothing is reported); codePage decodes source
    // text that is not valid UTF-8.
    explicit TSourceMgt(IProgress* progress = nullptr, int codePage = kDefaultCodePage);
    ~TSourceMgt();
    TSourceMgt(const TSourceMgt&) = delete;
    TSourceMgt& operator=(const TSourceMgt&) = delete;

    IProgress& Progress() const { return *progress_; }
    int CodePage() const { return codePage_; }

    // The lines of the project file, filled by the project loader.
    QStringList& ProjectLines() { return projectLines_; }
    const QStringList& ProjectLines() const { return projectLines_; }

    // The file chain; FirstFile() is the empty tail while nothing is loaded.
    RFile* FirstFile() const { return firstFile_; }
    RFile* FileTail() const { return fileTail_; }
    // Links a new empty tail after the current one and returns the record
    // that was the tail, to be filled by the caller.
    RFile* AddFile();
    int FileCount() const;

    bool Analyzed() const { return analyzed_; }
    void AnalyzeProject();
    // Splits one file into sections, replacing any earlier split.
    void AnalyzeFile(RFile& file);

    // Reads the file at Path; unloads nothing else. Throws TListoraError
    // when the file cannot be read.
    void LoadFileText(RFile& file);
    void UnloadFileTexts();
    void UnloadFileText(const QString& fileName);

    // Fills the tree with a root, one node per file and (WithSections) one
    // per section; returns the number of marked sections.
    int FillTree(ISourceTree& tree, const QString& rootCaption, bool WithSections);

    // Writes "PROJECTPRINT" and "PROJECTINFO" into folder (the current
    // folder when empty). Throws TListoraError when a file cannot be written.
    void SavePrintMarks(const QString& projectPath, const QString& folder = QString()) const;
    // Applies a "PROJECTPRINT" file; throws TListoraError when unreadable.
    void LoadPrintMarks(const QString& path);
    void MarkSection(const QString& fileName, const QString& sectionName);

    // With no sections, the file's own mark; else whether any section is
    // marked.
    static bool HasMarkedSections(const RFile& file);

private:
    void unloadText(RFile& file);

    IProgress* progress_;
    int codePage_;
    QStringList projectLines_;
    RFile* firstFile_;
    RFile* fileTail_;
    bool analyzed_ = false;
};

// The gauge position for done of total steps: done / total x 100, rounded
// with halves to even; 0 for an empty total.
int GaugePercent(qint64 done, qint64 total);

// Names of the print-mark files.
inline const QString kPrintMarksFileName = QStringLiteral("PROJECTPRINT");
inline const QString kProjectInfoFileName = QStringLiteral("PROJECTINFO");
// Both names in the print-marks file are cut to this length.
inline constexpr int kPrintMarkNameLength = 222;
