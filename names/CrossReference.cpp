#include "names/CrossReference.h"

#include "source/SourceMgt.h"
#include "source/TextDecoding.h"

#include <QSet>

#include <algorithm>

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
    canonical_.resize(std::size_t(model.FileCount()));
    for (int f = 0; f < model.FileCount(); ++f) {
        const TNameFile& file = model.File(f);
        uses_[std::size_t(f)].resize(file.Members.size());
        std::vector<int>& canonical = canonical_[std::size_t(f)];
        canonical.reserve(file.Members.size());
        for (int m = 0; m < int(file.Members.size()); ++m)
            canonical.push_back(
                file.MemberIndex.value(file.Members[std::size_t(m)].Name.toLower(), m));
    }
}

int TCrossReference::canonical(int file, int member) const {
    return canonical_[std::size_t(file)][std::size_t(member)];
}

void TCrossReference::AddFile(int file, const QStringList& lines) {
    if (file < 0 || file >= model_.FileCount()) return;
    const TNameFile& own = model_.File(file);
    // Where the file declares its members (line, member as canonical()
    // gives it): a name there is no use.
    auto place = [](int line, int member) { return (qint64(line) << 32) | quint32(member); };
    QSet<qint64> declared;
    for (int m = 0; m < int(own.Members.size()); ++m)
        declared.insert(place(own.Members[std::size_t(m)].Line, canonical(file, m)));
    bool continued = false;
    for (int l = 0; l < int(lines.size()); ++l) {
        const QStringView text = lines[l];
        const std::vector<TVbToken> tokens = VbTokens(text);
        // "Attribute Total.VB_Description = ..." describes Total, inside it.
        const bool attribute =
            !continued && !tokens.empty() && isWord(text, tokens[0], "attribute");
        const std::vector<TNameModel::TSpan> spans =
            attribute ? std::vector<TNameModel::TSpan>()
                      : model_.MemberNames(file, l, text, tokens);
        if (!spans.empty()) {
            const std::vector<bool> starts = statementStarts(text, tokens, continued);
            const int procedure = model_.ProcedureAt(file, l);
            std::size_t token = 0;
            for (const TNameModel::TSpan& span : spans) {
                while (tokens[token].Start != span.Start)
                    ++token;
                const TNameFile& target = model_.File(span.Ref.File);
                const QString& name = target.Members[std::size_t(span.Ref.Member)].Name;
                const int member = canonical(span.Ref.File, span.Ref.Member);
                if (span.Ref.File == file && declared.contains(place(l, member))) continue;
                const bool call = token + 1 < tokens.size() &&
                                  isSymbol(text, tokens[token + 1], '(') &&
                                  tokens[token + 1].Start == span.End;
                const TNameProcedure* in =
                    procedure >= 0 ? &own.Procedures[std::size_t(procedure)] : nullptr;
                const bool ownResult =
                    !call && span.Ref.File == file && in &&
                    (in->Kind == TProcKind::Function || in->Kind == TProcKind::PropertyGet) &&
                    in->Name.compare(name, Qt::CaseInsensitive) == 0;
                uses_[std::size_t(span.Ref.File)][std::size_t(member)].push_back(
                    {file, l, procedure, span.Start, span.End, assigns(text, tokens, starts, token),
                     ownResult});
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

namespace {

// A file whose uses are to be read: its lines when loaded, else its path.
struct TUseSource {
    int File = -1;
    QString Path;
    QStringList Lines;
    bool Loaded = false;
};

std::vector<TUseSource> useSources(const TNameModel& model, RFile* first) {
    std::vector<TUseSource> sources;
    for (RFile* f = first; f && f->Next; f = f->Next) {
        const int file = model.FileIndex(f->FileName);
        if (file >= 0) sources.push_back({file, f->Path, f->Lines, f->Loaded});
    }
    return sources;
}

void addUses(TCrossReference& xref, const std::vector<TUseSource>& sources, int codePage) {
    for (const TUseSource& s : sources)
        xref.AddFile(s.File, s.Loaded ? s.Lines : ReadSourceLines(s.Path, codePage));
}

} // namespace

void AddProjectUses(TCrossReference& xref, RFile* first, const TSourceMgt& analyzer) {
    addUses(xref, useSources(xref.Model(), first), analyzer.CodePage());
}

TProjectFacts ReadProjectFacts(const QStringList& projectLines) {
    TProjectFacts facts;
    for (const QString& line : projectLines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq).trimmed().toLower();
        QString value = line.mid(eq + 1).trimmed().toLower();
        value.remove(QLatin1Char('"'));
        if (key == QLatin1String("startup"))
            facts.StartsWithMain = value == QLatin1String("sub main");
        if (key == QLatin1String("type"))
            facts.Library = value == QLatin1String("oledll") || value == QLatin1String("oleexe") ||
                            value == QLatin1String("control");
    }
    return facts;
}

bool CalledFromOutside(const TNameModel& model, int file, int member, const TProjectFacts& facts) {
    const TNameFile& f = model.File(file);
    const TNameMember& m = f.Members[std::size_t(member)];
    // A user control's Public members are set by the designer and by the
    // forms that host it (through controls the names do not type).
    if (m.Scope == TNameScope::Public &&
        (f.Kind == TNameFileKind::UserControl || (facts.Library && f.Kind == TNameFileKind::Class)))
        return true;
    if (m.Kind != TNameKind::Procedure) return false;
    const QString name = m.Name.toLower();
    if (f.Kind == TNameFileKind::Module)
        return facts.StartsWithMain && name == QLatin1String("main");
    // The objects a form, class, user control, property page or document
    // file is known by in its own event handlers.
    static const char* const kOwn[] = {"form",        "mdiform",      "class",
                                       "usercontrol", "propertypage", "userdocument"};
    for (const char* own : kOwn)
        if (name.startsWith(QLatin1String(own) + QLatin1Char('_'))) return true;
    for (const QString& source : f.EventSources)
        if (name.size() > source.size() && name.startsWith(source) &&
            name[source.size()] == QLatin1Char('_'))
            return true;
    return false;
}

std::vector<TNameRef> UnreferencedNames(const TCrossReference& xref, const TProjectFacts& facts) {
    const TNameModel& model = xref.Model();
    std::vector<TNameRef> out;
    for (int file = 0; file < model.FileCount(); ++file) {
        const TNameFile& f = model.File(file);
        for (int m = 0; m < int(f.Members.size()); ++m) {
            const TNameMember& member = f.Members[std::size_t(m)];
            if (f.MemberIndex.value(member.Name.toLower()) != m) continue;
            if (member.Kind != TNameKind::Procedure && member.Kind != TNameKind::Variable &&
                member.Kind != TNameKind::Constant)
                continue;
            // A Property Get and its Let share the name: either counts.
            bool used = false;
            for (const TNameUse& use : xref.Uses(file, m)) {
                const bool inside = use.File == file && use.Procedure >= 0 &&
                                    f.Procedures[std::size_t(use.Procedure)].Name.compare(
                                        member.Name, Qt::CaseInsensitive) == 0;
                if (member.Kind != TNameKind::Procedure || !inside) {
                    used = true;
                    break;
                }
            }
            if (!used && !CalledFromOutside(model, file, m, facts)) out.push_back({file, m, -1});
        }
    }
    return out;
}

std::vector<TNameRef> ReportedNames(const TNameModel& model) {
    std::vector<TNameRef> out;
    for (int file = 0; file < model.FileCount(); ++file) {
        const TNameFile& f = model.File(file);
        for (int m = 0; m < int(f.Members.size()); ++m) {
            const TNameMember& member = f.Members[std::size_t(m)];
            if (member.Kind != TNameKind::EnumMember && member.Kind != TNameKind::Event &&
                f.MemberIndex.value(member.Name.toLower()) == m)
                out.push_back({file, m, -1});
        }
    }
    auto name = [&](const TNameRef& r) -> const QString& {
        return model.File(r.File).Members[std::size_t(r.Member)].Name;
    };
    std::stable_sort(out.begin(), out.end(), [&](const TNameRef& a, const TNameRef& b) {
        const int c = name(a).compare(name(b), Qt::CaseInsensitive);
        if (c != 0) return c < 0;
        return model.File(a.File).FileName.compare(model.File(b.File).FileName,
                                                   Qt::CaseInsensitive) < 0;
    });
    return out;
}

std::future<TXrefNames> ReadXrefNamesAsync(const TNameModel& model, RFile* first,
                                           const TSourceMgt& analyzer) {
    return std::async(std::launch::async,
                      [&model, sources = useSources(model, first), codePage = analyzer.CodePage(),
                       facts = ReadProjectFacts(analyzer.ProjectLines())] {
                          TXrefNames names{std::make_unique<TCrossReference>(model), {}, {}};
                          addUses(*names.Uses, sources, codePage);
                          names.Reported = ReportedNames(model);
                          names.Unused = UnreferencedNames(*names.Uses, facts);
                          return names;
                      });
}

QString NameKindText(const TNameModel& model, const TNameRef& ref) {
    const TNameFile& f = model.File(ref.File);
    const TNameMember& m = f.Members[std::size_t(ref.Member)];
    switch (m.Kind) {
    case TNameKind::Procedure:
        switch (f.Procedures[std::size_t(m.Procedure)].Kind) {
        case TProcKind::Sub:
            return QStringLiteral("Sub");
        case TProcKind::Function:
            return QStringLiteral("Function");
        default:
            return QStringLiteral("Property");
        }
    case TNameKind::Variable:
        return QStringLiteral("Variable");
    case TNameKind::Constant:
        return QStringLiteral("Const");
    case TNameKind::Type:
        return QStringLiteral("Type");
    case TNameKind::Enum:
        return QStringLiteral("Enum");
    case TNameKind::EnumMember:
        return QStringLiteral("Enum member");
    case TNameKind::Declare:
        return QStringLiteral("Declare");
    case TNameKind::Event:
        return QStringLiteral("Event");
    }
    return QString();
}

QString NameScopeText(TNameScope scope) {
    switch (scope) {
    case TNameScope::Private:
        return QStringLiteral("Private");
    case TNameScope::Public:
        return QStringLiteral("Public");
    case TNameScope::Friend:
        return QStringLiteral("Friend");
    }
    return QString();
}
