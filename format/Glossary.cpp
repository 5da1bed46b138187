// The function glossary: every procedure of a project with the description
// its header comment gives, as lines of text to be laid out.
#include "format/SourceCodePrint.h"
#include "source/SourceMgt.h"

namespace {

// Lines looked at for the description, from the section's first line.
constexpr int kDescriptionLines = 7;

void appendEntry(QStringList& out, const RFunction& section, const QStringList& lines) {
    const int s = section.StartLine;
    // Only the section's own lines: a short section must not lend itself
    // the header comment of the procedure after it.
    const int end = qMin<int>(int(lines.size()), s + qMax(0, section.SectionLines));
    int next = s + kDescriptionLines; // line after the last one looked at
    for (int i = s; i < s + kDescriptionLines; ++i) {
        if (i < 0 || i >= end || lines[i].isEmpty()) return;
        const qsizetype p = lines[i].toUpper().indexOf(QLatin1String("DESCRIPTION"));
        if (p >= 0 && p < 7) {
            // The word and the character after it (normally a colon).
            out.append(section.Name.trimmed() + " - " + lines[i].mid(p + 12));
            next = i + 1;
            break;
        }
    }
    // The description may go on over further comment lines, up to the
    // next heading of the header comment (a line with a colon).
    for (int i = next; i < end; ++i) {
        const QString& line = lines[i];
        if (line.isEmpty() || line[0] != '\'' || line.contains(':')) break;
        const QString text = line.mid(1).trimmed();
        if (text.size() > 1) out.append(text);
    }
}

} // namespace

QStringList TSourceCodePrint::BuildGlossary(TGlossaryKind kind, TSourceMgt& analyzer) {
    QStringList out;
    bool first = true;
    for (RFile* file = analyzer.FirstFile(); file && file->Next; file = file->Next) {
        if (kind == TGlossaryKind::Basic && !first) {
            out.append(Settings.InlineIndicator + "HALF");
            out.append(Settings.InlineIndicator + "EYENOTES Here is some EyeNote Text");
        }
        first = false;
        out.append(file->FileName);
        out.append(Settings.CommentDelimiter.repeated(7));
        analyzer.LoadFileText(*file);
        for (const RFunction* f = file->Functions; f && f->Next; f = f->Next)
            appendEntry(out, *f, file->Lines);
        analyzer.UnloadFileText(file->FileName);
    }
    return out;
}
