#include "names/NameModel.h"

#include "source/SourceMgt.h"

#include <algorithm>
#include <limits>

namespace {

TNameFileKind kindOfExtension(const QString& ext) {
    const QString e = ext.toUpper();
    if (e == QLatin1String(".BAS")) return TNameFileKind::Module;
    if (e == QLatin1String(".FRM")) return TNameFileKind::Form;
    if (e == QLatin1String(".CLS")) return TNameFileKind::Class;
    if (e == QLatin1String(".CTL")) return TNameFileKind::UserControl;
    return TNameFileKind::Other;
}

// One statement: its text (continued lines joined) and tokens, and the
// line it starts on.
struct TStatement {
    QStringView text;
    std::vector<TVbToken> tokens;
    int line = 0;
};

class TStatementReader {
public:
    explicit TStatementReader(const TStatement& s) : s_(s) {}

    std::size_t size() const { return s_.tokens.size(); }
    QStringView text(std::size_t i) const {
        return i < size() ? s_.text.mid(s_.tokens[i].Start, s_.tokens[i].Length) : QStringView();
    }
    bool is(std::size_t i, const char* word) const {
        return i < size() && s_.tokens[i].Kind == TVbTokenKind::Name &&
               text(i).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(std::size_t i, char c) const {
        return i < size() && s_.tokens[i].Kind == TVbTokenKind::Symbol &&
               text(i)[0] == QLatin1Char(c);
    }
    bool isName(std::size_t i) const {
        return i < size() && s_.tokens[i].Kind == TVbTokenKind::Name;
    }
    // The text of tokens [from, to).
    QString span(std::size_t from, std::size_t to) const {
        if (from >= to || from >= size()) return QString();
        const int start = s_.tokens[from].Start;
        return s_.text.mid(start, s_.tokens[std::min(to, size()) - 1].End() - start).toString();
    }

    // Declarations separated by commas outside parentheses, from token
    // from up to to: "name[(..)] [As [New] Type] [= value]".
    std::vector<TNameDecl> declarations(std::size_t from, std::size_t to, int line) const {
        std::vector<TNameDecl> out;
        std::size_t i = from;
        while (i < to) {
            std::size_t end = i;
            int depth = 0;
            while (end < to && !(depth == 0 && isSymbol(end, ','))) {
                if (isSymbol(end, '(')) ++depth;
                if (isSymbol(end, ')')) --depth;
                ++end;
            }
            std::size_t k = i;
            while (k < end && (is(k, "optional") || is(k, "byval") || is(k, "byref") ||
                               is(k, "paramarray") || is(k, "withevents")))
                ++k;
            if (isName(k) && k < end) {
                TNameDecl d{text(k).toString(), QString(), line};
                depth = 0;
                for (std::size_t a = k + 1; a < end; ++a) {
                    if (isSymbol(a, '(')) ++depth;
                    if (isSymbol(a, ')')) --depth;
                    if (isSymbol(a, '=') && depth == 0) break;
                    if (depth == 0 && is(a, "as")) {
                        std::size_t t = a + 1;
                        if (is(t, "new")) ++t;
                        std::size_t e = t;
                        while (e < end && (isName(e) || isSymbol(e, '.')))
                            ++e;
                        d.TypeName = span(t, e);
                        break;
                    }
                }
                out.push_back(d);
            }
            i = end + 1;
        }
        return out;
    }

private:
    const TStatement& s_;
};

// Logical statements of the file: lines ending in " _" joined to the next,
// split at colons that are not ":=".
template <class TVisit> void forEachStatement(const QStringList& lines, TVisit visit) {
    QString joined;
    int startLine = -1;
    for (int n = 0; n < int(lines.size()); ++n) {
        const QString& line = lines[n];
        if (startLine < 0) {
            startLine = n;
            joined.clear();
        }
        std::vector<TVbToken> tokens = VbTokens(line);
        std::size_t count = tokens.size();
        if (count && tokens.back().Kind == TVbTokenKind::Comment) --count;
        const bool continued = count && tokens[count - 1].Length == 1 &&
                               line[tokens[count - 1].Start] == QLatin1Char('_') &&
                               n + 1 < int(lines.size());
        if (continued) {
            joined += QStringView(line).first(tokens[count - 1].Start);
            joined += QLatin1Char(' ');
            continue;
        }
        // A line that continues none is read once.
        const bool alone = joined.isEmpty();
        if (!alone) joined += line;
        const QStringView text = alone ? QStringView(line) : QStringView(joined);
        const std::vector<TVbToken> all = alone ? std::move(tokens) : VbTokens(text);
        TStatement s{text, {}, startLine};
        for (std::size_t i = 0; i <= all.size(); ++i) {
            const bool split = i == all.size() ||
                               (all[i].Kind == TVbTokenKind::Symbol && text[all[i].Start] == u':' &&
                                !(all[i].End() < text.size() && text[all[i].End()] == u'='));
            if (!split) {
                if (all[i].Kind != TVbTokenKind::Comment) s.tokens.push_back(all[i]);
                continue;
            }
            if (!s.tokens.empty()) visit(s, n);
            s.tokens.clear();
        }
        startLine = -1;
    }
}

class TFileReader {
public:
    explicit TFileReader(TNameFile& file) : f_(file) {}

    void statement(const TStatement& s, int lastLine) {
        const TStatementReader r(s);
        std::size_t i = 0;
        if (r.is(0, "attribute") && r.is(1, "vb_name")) {
            for (const TVbToken& t : s.tokens)
                if (t.Kind == TVbTokenKind::String)
                    f_.Name = s.text.mid(t.Start + 1, t.Length - 2).toString();
            return;
        }
        if (r.is(0, "end")) {
            if (r.is(1, "sub") || r.is(1, "function") || r.is(1, "property")) {
                closeProcedure(lastLine);
            } else if (r.is(1, "type") || r.is(1, "enum")) {
                block_ = TBlock::None;
            } else if (r.is(1, "with") && proc_ >= 0 && !withs_.empty()) {
                TNameProcedure& p = f_.Procedures[std::size_t(proc_)];
                p.Withs[withs_.back()].EndLine = lastLine;
                withs_.pop_back();
            }
            return;
        }
        if (r.is(0, "begin") && proc_ < 0 && r.size() >= 3 && r.isName(r.size() - 1)) {
            // "Begin VB.CommandButton cmdOK": a control (an array's
            // elements repeat the name).
            const QString control = r.text(r.size() - 1).toString().toLower();
            if (!f_.EventSources.contains(control)) f_.EventSources.append(control);
            return;
        }
        if (block_ == TBlock::Type) return;
        if (block_ == TBlock::Enum) {
            if (r.isName(0))
                addMember(r.text(0).toString(), TNameKind::EnumMember, enumScope_, s.line);
            return;
        }
        bool declares = false;
        TNameScope scope = TNameScope::Public;
        bool scoped = false;
        for (;; ++i) {
            if (r.is(i, "private") || r.is(i, "dim") || r.is(i, "static")) {
                scope = TNameScope::Private;
            } else if (r.is(i, "public") || r.is(i, "global")) {
                scope = TNameScope::Public;
            } else if (r.is(i, "friend")) {
                scope = TNameScope::Friend;
            } else {
                break;
            }
            scoped = true;
            declares = true;
        }
        if (r.is(i, "sub") || r.is(i, "function") || r.is(i, "property")) {
            procedure(r, i, scope, s.line);
        } else if (r.is(i, "declare")) {
            std::size_t k = i + 1;
            if (r.is(k, "ptrsafe")) ++k;
            if (r.isName(k + 1))
                addMember(r.text(k + 1).toString(), TNameKind::Declare, scope, s.line);
        } else if (r.is(i, "const")) {
            for (const TNameDecl& d : r.declarations(i + 1, r.size(), s.line)) {
                if (proc_ >= 0)
                    f_.Procedures[std::size_t(proc_)].Locals.push_back(d);
                else
                    addMember(d.Name, TNameKind::Constant, scoped ? scope : TNameScope::Private,
                              s.line, d.TypeName);
            }
        } else if (r.is(i, "type") && proc_ < 0 && r.isName(i + 1)) {
            addMember(r.text(i + 1).toString(), TNameKind::Type, scope, s.line);
            block_ = TBlock::Type;
        } else if (r.is(i, "enum") && proc_ < 0 && r.isName(i + 1)) {
            addMember(r.text(i + 1).toString(), TNameKind::Enum, scope, s.line);
            block_ = TBlock::Enum;
            enumScope_ = scope;
        } else if (r.is(i, "event") && r.isName(i + 1)) {
            addMember(r.text(i + 1).toString(), TNameKind::Event, scope, s.line);
        } else if (r.is(i, "with") && proc_ >= 0) {
            TNameProcedure& p = f_.Procedures[std::size_t(proc_)];
            p.Withs.push_back({s.line, p.EndLine, r.span(i + 1, r.size())});
            withs_.push_back(p.Withs.size() - 1);
        } else if (r.is(i, "implements") && r.isName(i + 1) && proc_ < 0) {
            f_.EventSources.append(r.text(i + 1).toString().toLower());
        } else if (declares && !r.is(i, "declare")) {
            const bool withEvents = r.is(i, "withevents");
            for (const TNameDecl& d : r.declarations(i, r.size(), s.line)) {
                if (proc_ >= 0) {
                    f_.Procedures[std::size_t(proc_)].Locals.push_back(d);
                } else {
                    addMember(d.Name, TNameKind::Variable, scope, s.line, d.TypeName);
                    if (withEvents) f_.EventSources.append(d.Name.toLower());
                }
            }
        }
    }

    void finish(int lastLine) { closeProcedure(lastLine); }

private:
    enum class TBlock { None, Type, Enum };

    void procedure(const TStatementReader& r, std::size_t i, TNameScope scope, int line) {
        closeProcedure(line - 1);
        TProcKind kind = r.is(i, "sub") ? TProcKind::Sub : TProcKind::Function;
        if (r.is(i, "property")) {
            ++i;
            kind = r.is(i, "get")   ? TProcKind::PropertyGet
                   : r.is(i, "let") ? TProcKind::PropertyLet
                                    : TProcKind::PropertySet;
        }
        if (!r.isName(i + 1)) return;
        TNameProcedure p;
        p.Name = r.text(i + 1).toString();
        p.Kind = kind;
        p.Scope = scope;
        p.Line = line;
        std::size_t open = i + 2;
        while (open < r.size() && !r.isSymbol(open, '('))
            ++open;
        if (open < r.size()) {
            std::size_t close = open + 1;
            int depth = 1;
            for (; close < r.size(); ++close) {
                if (r.isSymbol(close, '(')) ++depth;
                if (r.isSymbol(close, ')') && --depth == 0) break;
            }
            p.Parameters = r.declarations(open + 1, close, line);
        }
        f_.Procedures.push_back(std::move(p));
        proc_ = int(f_.Procedures.size()) - 1;
        addMember(f_.Procedures.back().Name, TNameKind::Procedure, scope, line, QString(), proc_);
        // Until its End line says otherwise, it runs to the file's end.
        f_.Procedures.back().EndLine = std::numeric_limits<int>::max();
    }

    void closeProcedure(int lastLine) {
        if (proc_ < 0) return;
        TNameProcedure& p = f_.Procedures[std::size_t(proc_)];
        p.EndLine = std::max(p.Line, lastLine);
        for (const std::size_t w : withs_)
            p.Withs[w].EndLine = p.EndLine;
        withs_.clear();
        proc_ = -1;
    }

    void addMember(const QString& name, TNameKind kind, TNameScope scope, int line,
                   const QString& typeName = QString(), int procedure = -1) {
        f_.Members.push_back({name, kind, scope, line, typeName, procedure});
        f_.MemberIndex.insert(name.toLower(), int(f_.Members.size()) - 1);
    }

    TNameFile& f_;
    int proc_ = -1;
    std::vector<std::size_t> withs_;
    TBlock block_ = TBlock::None;
    TNameScope enumScope_ = TNameScope::Public;
};

bool sameName(const QString& a, const QString& lower) {
    return a.compare(lower, Qt::CaseInsensitive) == 0;
}

} // namespace

int TNameModel::AddFile(const QString& fileName, const QString& ext, const QStringList& lines) {
    TNameFile f;
    f.FileName = fileName;
    f.Kind = kindOfExtension(ext);
    TFileReader reader(f);
    forEachStatement(lines, [&](const TStatement& s, int last) { reader.statement(s, last); });
    reader.finish(int(lines.size()) - 1);
    // A name declared twice leads to its first declaration.
    f.MemberIndex.clear();
    for (int m = int(f.Members.size()) - 1; m >= 0; --m)
        f.MemberIndex.insert(f.Members[std::size_t(m)].Name.toLower(), m);
    if (f.Name.isEmpty()) f.Name = fileName.section(QLatin1Char('.'), 0, 0);

    const int index = int(files_.size());
    for (int m = 0; m < int(f.Members.size()); ++m) {
        const TNameMember& member = f.Members[std::size_t(m)];
        if (member.Kind == TNameKind::Procedure)
            procedureHashes_.insert(FoldedNameHash(member.Name));
        memberHashes_.insert(FoldedNameHash(member.Name));
        // Public members of standard modules, and the members of Public
        // enums anywhere, are seen from every file.
        const bool global =
            member.Scope != TNameScope::Private &&
            (f.Kind == TNameFileKind::Module ||
             (member.Kind == TNameKind::EnumMember && f.Kind != TNameFileKind::Other));
        const QString lower = member.Name.toLower();
        if (global && !publicNames_.contains(lower)) publicNames_.insert(lower, {index, m, -1});
    }
    byFileName_.insert(fileName, index);
    if (f.Kind != TNameFileKind::Other && !byCodeName_.contains(f.Name.toLower()))
        byCodeName_.insert(f.Name.toLower(), index);
    files_.push_back(std::move(f));
    return index;
}

int TNameModel::ProcedureAt(int file, int line) const {
    if (file < 0 || file >= FileCount()) return -1;
    const std::vector<TNameProcedure>& procs = files_[std::size_t(file)].Procedures;
    auto it = std::upper_bound(procs.begin(), procs.end(), line,
                               [](int l, const TNameProcedure& p) { return l < p.Line; });
    if (it == procs.begin()) return -1;
    --it;
    return line <= it->EndLine ? int(it - procs.begin()) : -1;
}

const TNameMember* TNameModel::ProcedureOf(const TNameRef& ref) const {
    if (ref.File < 0 || ref.Member < 0) return nullptr;
    const TNameMember& m = files_[std::size_t(ref.File)].Members[std::size_t(ref.Member)];
    return m.Kind == TNameKind::Procedure ? &m : nullptr;
}

TNameRef TNameModel::resolveBare(int file, int procedure, const QString& lower) const {
    const TNameFile& f = files_[std::size_t(file)];
    if (procedure >= 0) {
        const TNameProcedure& p = f.Procedures[std::size_t(procedure)];
        for (const auto* list : {&p.Parameters, &p.Locals})
            for (const TNameDecl& d : *list)
                if (sameName(d.Name, lower)) return {file, -1, procedure};
    }
    const auto own = f.MemberIndex.constFind(lower);
    if (own != f.MemberIndex.cend()) return {file, own.value(), -1};
    return publicNames_.value(lower);
}

TNameRef TNameModel::resolveMember(int file, int target, const QString& lower) const {
    const TNameFile& t = files_[std::size_t(target)];
    const auto it = t.MemberIndex.constFind(lower);
    if (it == t.MemberIndex.cend()) return {};
    if (target != file && t.Members[std::size_t(it.value())].Scope == TNameScope::Private)
        return {};
    return {target, it.value(), -1};
}

int TNameModel::fileOfType(const QString& typeName) const {
    // "ADODB.Recordset" is a library's class, whatever the project names.
    if (typeName.isEmpty() || typeName.contains(QLatin1Char('.'))) return -1;
    return byCodeName_.value(typeName.toLower(), -1);
}

int TNameModel::fileOfExpression(int file, int procedure, int line, QStringView expression) const {
    const std::vector<TVbToken> tokens = VbTokens(expression);
    auto text = [&](std::size_t i) { return expression.mid(tokens[i].Start, tokens[i].Length); };
    if (tokens.size() == 2 && tokens[0].Kind == TVbTokenKind::Name &&
        tokens[1].Kind == TVbTokenKind::Name &&
        text(0).compare(QLatin1String("new"), Qt::CaseInsensitive) == 0)
        return fileOfType(text(1).toString());
    if (tokens.size() != 1 || tokens[0].Kind != TVbTokenKind::Name) return -1;
    const QString lower = text(0).toString().toLower();
    if (lower == QLatin1String("me")) return file;
    const TNameRef ref = resolveBare(file, procedure, lower);
    if (ref.IsLocal()) {
        const TNameProcedure& p = files_[std::size_t(file)].Procedures[std::size_t(procedure)];
        for (const auto* list : {&p.Parameters, &p.Locals})
            for (const TNameDecl& d : *list)
                if (sameName(d.Name, lower)) return fileOfType(d.TypeName);
        return -1;
    }
    if (ref.Found()) {
        const TNameMember& m = files_[std::size_t(ref.File)].Members[std::size_t(ref.Member)];
        return m.Kind == TNameKind::Variable ? fileOfType(m.TypeName) : -1;
    }
    Q_UNUSED(line);
    return byCodeName_.value(lower, -1);
}

TNameRef TNameModel::resolveToken(int file, int procedure, int line, QStringView text,
                                  const std::vector<TVbToken>& tokens, std::size_t i) const {
    const TVbToken& t = tokens[i];
    const QStringView name = text.mid(t.Start, t.Length);
    if (t.Kind != TVbTokenKind::Name || IsReservedWord(name)) return {};
    // A named argument ("Count:=3") names a parameter of the called one.
    if (text.mid(t.End()).startsWith(QLatin1String(":="))) return {};
    const QString lower = name.toString().toLower();
    auto adjacent = [&](std::size_t a, std::size_t b) {
        return tokens[a].End() == tokens[b].Start;
    };
    auto symbol = [&](std::size_t k, char c) {
        return tokens[k].Kind == TVbTokenKind::Symbol && text[tokens[k].Start] == QLatin1Char(c);
    };
    const bool afterDot = i > 0 && symbol(i - 1, '.') && adjacent(i - 1, i);
    if (i > 0 && symbol(i - 1, '!') && adjacent(i - 1, i)) return {};
    if (!afterDot) return resolveBare(file, procedure, lower);

    int target = -1;
    if (i >= 2 && adjacent(i - 2, i - 1)) {
        // "X.Name": X must be a lone name, no member of something else.
        if (tokens[i - 2].Kind != TVbTokenKind::Name) return {};
        if (i >= 3 && adjacent(i - 3, i - 2) && (symbol(i - 3, '.') || symbol(i - 3, '!')))
            return {};
        target = fileOfExpression(file, procedure, line,
                                  text.mid(tokens[i - 2].Start, tokens[i - 2].Length));
    } else if (procedure >= 0) {
        // ".Name" inside With: the innermost With open on this line.
        const TNameProcedure& p = files_[std::size_t(file)].Procedures[std::size_t(procedure)];
        const TNameWith* with = nullptr;
        for (const TNameWith& w : p.Withs)
            if (w.StartLine < line && line <= w.EndLine &&
                (!with || w.StartLine >= with->StartLine))
                with = &w;
        if (with) target = fileOfExpression(file, procedure, with->StartLine, with->Object);
    }
    return target < 0 ? TNameRef() : resolveMember(file, target, lower);
}

TNameRef TNameModel::Resolve(int file, int line, QStringView text, int position) const {
    if (file < 0 || file >= FileCount()) return {};
    const std::vector<TVbToken> tokens = VbTokens(text);
    for (std::size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].Start <= position && position < tokens[i].End())
            return resolveToken(file, ProcedureAt(file, line), line, text, tokens, i);
    return {};
}

std::vector<TNameModel::TSpan> TNameModel::ProcedureNames(int file, int line,
                                                          QStringView text) const {
    std::vector<TSpan> spans;
    if (file < 0 || file >= FileCount()) return spans;
    const std::vector<TVbToken> tokens = VbTokens(text);
    int procedure = -2;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TVbToken& t = tokens[i];
        if (t.Kind != TVbTokenKind::Name || !MayNameProcedure(text.mid(t.Start, t.Length)))
            continue;
        if (procedure == -2) procedure = ProcedureAt(file, line);
        const TNameRef ref = resolveToken(file, procedure, line, text, tokens, i);
        if (ProcedureOf(ref)) spans.push_back({t.Start, t.End(), ref});
    }
    return spans;
}

std::vector<TNameModel::TSpan> TNameModel::MemberNames(int file, int line, QStringView text,
                                                       const std::vector<TVbToken>& tokens) const {
    std::vector<TSpan> spans;
    if (file < 0 || file >= FileCount()) return spans;
    int procedure = -2;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TVbToken& t = tokens[i];
        if (t.Kind != TVbTokenKind::Name ||
            !memberHashes_.count(FoldedNameHash(text.mid(t.Start, t.Length))))
            continue;
        if (procedure == -2) procedure = ProcedureAt(file, line);
        const TNameRef ref = resolveToken(file, procedure, line, text, tokens, i);
        if (ref.Found() && !ref.IsLocal()) spans.push_back({t.Start, t.End(), ref});
    }
    return spans;
}

void AddProjectFiles(TNameModel& model, RFile* first, TSourceMgt& analyzer) {
    for (RFile* f = first; f && f->Next; f = f->Next) {
        const bool loaded = f->Loaded;
        if (!loaded) analyzer.LoadFileText(*f);
        model.AddFile(f->FileName, f->Ext, f->Lines);
        if (!loaded) analyzer.UnloadFileText(f->FileName);
    }
}
