// The builds: a project's marked sections, one file, a list of lines, and
// the plain walk; each line goes through the same pipeline.
#include "format/CallerLines.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "names/NameModel.h"
#include "platform/Progress.h"
#include "render/VirtCanvas.h"
#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

void TSourceCodePrint::SetPageDefaults(const TFont& font, const TPen& pen, const TBrush& brush) {
    Pages.ResetPageCanvas(&font, &pen, &brush);
}

namespace {

int progressStep(int lineCount) {
    return lineCount < 500 ? 10 : 100;
}

bool hasSections(const RFile& file) {
    return file.Functions && file.Functions->Next;
}

} // namespace

QStringList TSourceCodePrint::collectFileLines(const RFile& file) {
    QStringList lines;
    sourceLineNumbers_.clear();
    if (!hasSections(file)) {
        if (file.Marked) lines = file.Lines;
        for (int i = 0; i < lines.size(); ++i)
            sourceLineNumbers_.push_back(i + 1);
    } else {
        lines.reserve(file.Lines.size());
        sourceLineNumbers_.reserve(std::size_t(file.Lines.size()));
        for (const RFunction* f = file.Functions; f->Next; f = f->Next) {
            if (!f->Marked) continue;
            const int end = qMin<int>(f->StartLine + f->SectionLines, file.Lines.size());
            for (int i = qMax(0, f->StartLine); i < end; ++i) {
                lines.append(file.Lines[i]);
                sourceLineNumbers_.push_back(i + 1);
            }
        }
    }
    while (lines.size() > 1 && IsBlankLine(lines.last()))
        lines.removeLast();
    return lines;
}

void TSourceCodePrint::BuildProject(RFile* firstFile, TSourceMgt& analyzer) {
    if (progress_) progress_->showProgress(QString(), 0);
    firstFile_ = firstFile;
    collectProcTargets(firstFile, analyzer);
    // Page references are this build's, each set once: where a section's
    // declaration is printed first.
    for (RFile* file = firstFile; file && file->Next; file = file->Next) {
        file->FirstPage = 0;
        for (RFunction* f = file->Functions; f && f->Next; f = f->Next)
            f->FirstPage = 0;
    }
    sectionsFile_ = nullptr;
    if (Settings.TitlePage) printTitlePage();
    if (Settings.TableOfContents) reserveTableOfContents();
    if (!RemovedEntries.isEmpty()) printRemovedPage();

    CurrentFileName = QStringLiteral("None");
    CurrentProcName.clear();
    for (RFile* file = firstFile; file && file->Next; file = file->Next) {
        if (!TSourceMgt::HasMarkedSections(*file)) continue;
        NameCurrentFile(*file);
        break;
    }
    Pages.SetCurrentPageName(
        QStringLiteral("Page %1 - %2").arg(Pages.CurrentPageNumber()).arg(CurrentProcName));

    DrawFrame();
    LineIndex = 0;
    CurrentX = LeftColumnX;
    CurrentY = TextTop;
    // The root of the files in the bookmarks.
    addTarget(QStringLiteral("project"), DocumentTitle(), 0, CurrentX, CurrentY);

    bool firstPrinted = true;
    for (RFile* file = firstFile; file && file->Next; file = file->Next) {
        if (!TSourceMgt::HasMarkedSections(*file)) continue;
        if (progress_) progress_->showProgress("Building " + file->FileName, 0);
        if (!firstPrinted) FileSeparator(*file);
        firstPrinted = false;
        analyzer.LoadFileText(*file);
        const QStringList lines = collectFileLines(*file);
        CurrentFileName = file->FileName;
        file->FirstPage = PageNumber;
        recordFileTarget(*file);
        analyzer.UnloadFileText(file->FileName);

        currentFile_ = file;
        namesFile_ = names_ ? names_->FileIndex(file->FileName) : -1;
        walkLines(lines, TBuildKind::Project, nullptr);
        currentFile_ = nullptr;
        namesFile_ = -1;
        if (debugFlag()) writeBracketDump(QStringLiteral("c:\\Before.dbg"));
    }
    CloseSheet();
    drawCallerLines();
    // The code is linked and the callers drawn: what resolved their names
    // goes before the pages are drawn and assembled, which need the memory
    // most (the model and the uses once the cross-reference has read them).
    procByFileAndName_.clear();
    if (!Settings.Xref) {
        callers_.reset();
        names_.reset();
    }

    if (Settings.FunctionIndex) buildFunctionIndex();
    if (Settings.Xref) printXref(analyzer);
    callers_.reset();
    names_.reset();
    if (Settings.AnyBracket) finishBrackets();
    if (progress_) progress_->showProgress(QString(), 100);
    if (Settings.TableOfContents) printTableOfContents();
    if (progress_) progress_->showProgress(QString(), 0);
}

void TSourceCodePrint::BuildFromFile(const QString& fileName, IGauge* gauge) {
    CurrentFileName = fileName;
    BuildFromLines(ReadSourceLines(fileName, Settings.CodePage), gauge);
}

void TSourceCodePrint::BuildFromLines(const QStringList& lines, IGauge* gauge) {
    if (gauge) gauge->setPosition(0);
    if (Settings.TitlePage) printTitlePage();
    DrawFrame();
    CurrentX = LeftColumnX;
    CurrentY = TextTop;
    sourceLineNumbers_.clear();
    walkLines(lines, TBuildKind::Lines, gauge);
    CloseSheet();
    if (debugFlag()) writeBracketDump(QStringLiteral("Before.dbg"));
    if (Settings.AnyBracket) finishBrackets();
    if (gauge) gauge->setPosition(100);
}

void TSourceCodePrint::BuildPlain(const QStringList& lines, IGauge* gauge) {
    if (gauge) gauge->setPosition(0);
    DrawFrame();
    CurrentX = LeftColumnX;
    CurrentY = TextTop;
    walkLines(lines, TBuildKind::Plain, gauge);
    CloseSheet();
    if (gauge) gauge->setPosition(0);
}

void TSourceCodePrint::reportLineProgress(int index, int count, int step, IGauge* gauge) {
    if (index % step != 0 || count == 0) return;
    const int percent = int(qint64(index) * 100 / count);
    if (gauge)
        gauge->setPosition(percent);
    else if (progress_)
        progress_->showProgress(QString(), percent);
}

void TSourceCodePrint::walkLines(const QStringList& lines, TBuildKind kind, IGauge* gauge) {
    const int count = int(lines.size());
    const int step = progressStep(count);
    for (LineIndex = 0; LineIndex < count; ++LineIndex) {
        if (kind == TBuildKind::Plain) {
            CurrentLine = ExpandTabs(lines[LineIndex], Settings.TabsToSpaces);
            if (!inlineCommand(CurrentLine))
                PrintCodeLine(CurrentLine, QStringLiteral("CODE"), false, false, -1, -1, 0);
        } else {
            runPipeline(lines, kind);
        }
        reportLineProgress(LineIndex, count, step, gauge);
    }
    // A declaration continued to the end of the lines still gets its callers.
    if (callersDue_ >= 0) reserveCallerLines();
    // Structures never run on into the next file.
    if (kind != TBuildKind::Plain && Settings.AnyBracket) endBracketBlock(false);
}

void TSourceCodePrint::runPipeline(const QStringList& lines, TBuildKind kind) {
    CurrentLine = ExpandTabs(lines[LineIndex], Settings.TabsToSpaces);
    const bool declaration = IsProcDeclaration(CurrentLine);
    // A new procedure ends the bracket block of the one before, should
    // that lack its End line.
    if (declaration && Settings.AnyBracket) endBracketBlock(false);
    QString headingKey;
    if (declaration) {
        ProcHeading(CurrentLine);
        headingKey = recordProcTarget(CurrentLine);
    }
    // What came before (a note's shape, a separator) may have used up a
    // short column: the line, its number and its bracket go to the next.
    if (CurrentY > TextBottom) NextColumn();
    if (Settings.AnyBracket) {
        recordBracketLine(CurrentLine);
        if (IsProcedureEnd(CurrentLine)) endBracketBlock(true);
        lastLine_.X = CurrentX - LineNumberWidth;
        lastLine_.Y = CurrentY;
        lastLine_.Page = Pages.CurrentPageNumber();
        lastLine_.Side = PageNumber;
        lastLine_.Height = Canvas().TextHeight(CurrentLine);
        lastLine_.LineIndex = LineIndex;
        lastLineLead_ = FirstNonBlank(CurrentLine) - 1;
        anyLine_ = true;
    }
    if (kind == TBuildKind::Project && Settings.ShadowEnabled) {
        settleFrameTexts();
        const int printed = shadowComment(lines);
        if (printed > 0) {
            LineIndex += printed - 1;
            return;
        }
    }
    // The page (or half) the line is printed on, before printing it can
    // move on to the next column.
    const int linePage = PageNumber;
    settleFrameTexts();
    if (inlineCommand(CurrentLine)) {
        // The next column, as a full column does: a new sheet from a left
        // half would skip the right half's number.
        if (kind == TBuildKind::Project && CurrentY > TextBottom - 15) NextColumn();
    } else {
        recordLinePlace(linePage);
        const int numberBottom = printLineNumber(LineIndex);
        beginChangeMarks(LineIndex);
        PrintCodeLine(CurrentLine, QStringLiteral("CODE"), false, false, -1, -1, 0);
        endChangeMarks(LineIndex);
        // A heading in a font smaller than the numbers: the next number
        // starts below this one.
        if (PageNumber == linePage && CurrentY < numberBottom) CurrentY = numberBottom;
    }
    if (declaration) {
        recordProcPage(linePage);
        noteCallersHeading(linePage, headingKey);
        Canvas().SetFont(Settings.CodeFont);
    }
    // The callers go below the whole declaration, continued lines and all.
    if (callersDue_ >= 0 && !ContinuesOnNextLine(CurrentLine)) reserveCallerLines();
}

QString TSourceCodePrint::DocumentTitle() const {
    if (!JobTitle.isEmpty()) return JobTitle.section(QLatin1Char('/'), -1);
    return CurrentFileName.isEmpty() ? QStringLiteral("Listing") : CurrentFileName;
}
