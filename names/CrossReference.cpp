#include "names/CrossReference.h"

#include "source/SourceMgt.h"

#include <QSet>

namespace {

bool isWord(QStringView text, const TVbToken& t, const char* word) {
    return t.Kind == TVbTokenKind::Name &&
           text.mid(t.Start, t.Length).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isSymbol(QStringView text, const TVbToken& t, char c) {
    return t.Kind == TVbTokenKind::Symbol && text[t.Start] == QLatin1Char(c);
}

// Whether a line goes on in the next one (" _" before any comment).
bool continues(QStringView text, const std::vector<TVbToken>& tokens) {
    std::size_t count = tokens.size();
    if (count && tokens.back().Kind == TVbTokenKind::Comment) --count;
    return count && tokens[count - 1].Length == 1 && text[tokens[count - 1].Start] == u'_';
}

// The tokens of a line that begin a statement: the first (unless the line
// continues another), those after a colon and after the Then or Else of a
// one-line If.
std::vector<bool> statementStarts(QStringView text, const std::vector<TVbToken>& tokens,
                                  bool continued) {
    std::vector<bool> starts(tokens.size(), false);
    bool next = !continued;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TVbToken& t = tokens[i];
        if (t.Kind == TVbTokenKind::Comment) break;
        starts[i] = next;
        next = (isSymbol(text, t, ':') && !(t.End() < text.size() && text[t.End()] == u'=')) ||
               isWord(text, t, "then") || isWord(text, t, "else");
    }
    return starts;
}

// Whether the name token i is given a value by its statement.
bool assigns(QStringView text, const std::vector<TVbToken>& tokens, const std::vector<bool>& starts,
             std::size_t i) {
    // Back over a qualifier: "Module1.X", "Me.X", ".X" inside With.
    std::size_t first = i;
    while (first > 0 && isSymbol(text, tokens[first - 1], '.')) {
        --first;
        if (first > 0 && tokens[first - 1].Kind == TVbTokenKind::Name &&
            tokens[first - 1].End() == tokens[first].Start)
            --first;
    }
    // Back over the words that may begin an assignment.
    std::size_t start = first;
    bool redim = false;
    while (!starts[start] && start > 0) {
        const TVbToken& t = tokens[start - 1];
        if (isWord(text, t, "redim") || isWord(text, t, "erase")) {
            redim = true;
        } else if (!isWord(text, t, "let") && !isWord(text, t, "set") && !isWord(text, t, "for") &&
                   !isWord(text, t, "each") && !isWord(text, t, "preserve")) {
            return false;
        }
        --start;
    }
    if (!starts[start]) return false;
    if (redim) return true;
    // Forward over one argument list: "X(i) = ..." gives X a value,
    // "X.Field = ..." gives one to Field.
    std::size_t k = i + 1;
    if (k < tokens.size() && isSymbol(text, tokens[k], '(')) {
        int depth = 0;
        for (; k < tokens.size(); ++k) {
            if (isSymbol(text, tokens[k], '(')) ++depth;
            if (isSymbol(text, tokens[k], ')') && --depth == 0) break;
        }
        ++k;
    }
    if (k < tokens.size() && isWord(text, tokens[k], "in")) return true; // For Each X In
    return k < tokens.size() && isSymbol(text, tokens[k], '=');
}

} // namespace

TCrossReference::TCrossReference(const TNameModel& model) : model_(model) {
    uses_.resize(std::size_t(model.FileCount()));
    for (int f = 0; f < model.FileCount(); ++f)
        uses_[std::size_t(f)].resize(model.File(f).Members.size());
}

int TCrossReference::canonical(int file, int member) const {
    const TNameFile& f = model_.File(file);
    return f.MemberIndex.value(f.Members[std::size_t(member)].Name.toLower(), member);
}

void TCrossReference::AddFile(int file, const QStringList& lines) {
    if (file < 0 || file >= model_.FileCount()) return;
    const TNameFile& own = model_.File(file);
    // Where the file declares its members: a name there is no use.
    QSet<QPair<int, QString>> declared;
    for (const TNameMember& m : own.Members)
        declared.insert({m.Line, m.Name.toLower()});
    bool continued = false;
    for (int l = 0; l < int(lines.size()); ++l) {
        const QStringView text = lines[l];
        const std::vector<TVbToken> tokens = VbTokens(text);
        const std::vector<TNameModel::TSpan> spans = model_.MemberNames(file, l, text, tokens);
        if (!spans.empty()) {
            const std::vector<bool> starts = statementStarts(text, tokens, continued);
            const int procedure = model_.ProcedureAt(file, l);
            std::size_t token = 0;
            for (const TNameModel::TSpan& span : spans) {
                while (tokens[token].Start != span.Start)
                    ++token;
                const TNameFile& target = model_.File(span.Ref.File);
                const QString& name = target.Members[std::size_t(span.Ref.Member)].Name;
                if (span.Ref.File == file && declared.contains({l, name.toLower()})) continue;
                const bool call = token + 1 < tokens.size() &&
                                  isSymbol(text, tokens[token + 1], '(') &&
                                  tokens[token + 1].Start == span.End;
                const TNameProcedure* in =
                    procedure >= 0 ? &own.Procedures[std::size_t(procedure)] : nullptr;
                const bool ownResult =
                    !call && span.Ref.File == file && in &&
                    (in->Kind == TProcKind::Function || in->Kind == TProcKind::PropertyGet) &&
                    in->Name.compare(name, Qt::CaseInsensitive) == 0;
                uses_[std::size_t(span.Ref.File)]
                     [std::size_t(canonical(span.Ref.File, span.Ref.Member))]
                         .push_back({file, l, procedure, span.Start, span.End,
                                     assigns(text, tokens, starts, token), ownResult});
            }
        }
        continued = continues(text, tokens);
    }
}

const std::vector<TNameUse>& TCrossReference::Uses(int file, int member) const {
    return uses_[std::size_t(file)][std::size_t(canonical(file, member))];
}

std::vector<TNameUse> TCrossReference::Callers(int file, int member) const {
    std::vector<TNameUse> callers;
    // A Property Get and its Let or Set share their uses: those that assign
    // call the Let or Set, the others the Get.
    const TNameFile& f = model_.File(file);
    const TNameMember& callee = f.Members[std::size_t(member)];
    auto isGet = [](TProcKind k) { return k == TProcKind::PropertyGet; };
    auto isPut = [](TProcKind k) {
        return k == TProcKind::PropertyLet || k == TProcKind::PropertySet;
    };
    int only = 0; // 1: assigning uses only, -1: the others only
    if (callee.Kind == TNameKind::Procedure && callee.Procedure >= 0) {
        const TProcKind kind = f.Procedures[std::size_t(callee.Procedure)].Kind;
        for (const TNameProcedure& p : f.Procedures)
            if (p.Name.compare(callee.Name, Qt::CaseInsensitive) == 0 &&
                ((isGet(kind) && isPut(p.Kind)) || (isPut(kind) && isGet(p.Kind)))) {
                only = isGet(kind) ? -1 : 1;
                break;
            }
    }
    QSet<QPair<int, int>> seen;
    for (const TNameUse& use : Uses(file, member)) {
        if (use.Procedure < 0 || use.OwnResult || seen.contains({use.File, use.Procedure}) ||
            (only == 1 && !use.Assigns) || (only == -1 && use.Assigns))
            continue;
        seen.insert({use.File, use.Procedure});
        callers.push_back(use);
    }
    return callers;
}

void AddProjectUses(TCrossReference& xref, RFile* first, TSourceMgt& analyzer) {
    for (RFile* f = first; f && f->Next; f = f->Next) {
        const int file = xref.Model().FileIndex(f->FileName);
        if (file < 0) continue;
        const bool loaded = f->Loaded;
        if (!loaded) analyzer.LoadFileText(*f);
        xref.AddFile(file, f->Lines);
        if (!loaded) analyzer.UnloadFileText(f->FileName);
    }
}
