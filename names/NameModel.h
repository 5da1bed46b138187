#pragma once
// The names a project declares, file by file, and where a name used in code
// leads by the language's own rules: a local or parameter first, then the
// file's own members, then the Public members of standard modules; a
// qualified name only into a file of the project that the qualifier is
// known to be (its name, Me, a variable declared As it, a With on such).
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "names/VbTokens.h"

#include <unordered_set>
#include <vector>

class TSourceMgt;
struct RFile;

enum class TNameFileKind { Module, Form, Class, UserControl, Other };
enum class TNameScope { Private, Public, Friend };
enum class TNameKind { Procedure, Variable, Constant, Type, Enum, EnumMember, Declare, Event };
enum class TProcKind { Sub, Function, PropertyGet, PropertyLet, PropertySet };

// A variable, parameter or constant; TypeName is what follows "As" (without
// "New"), empty when undeclared.
struct TNameDecl {
    QString Name;
    QString TypeName;
    int Line = 0;
};

// Lines are 0-based indices into the file's lines.
struct TNameWith {
    int StartLine = 0;
    int EndLine = 0;
    QString Object; // the expression after "With"
};

struct TNameProcedure {
    QString Name;
    TProcKind Kind = TProcKind::Sub;
    TNameScope Scope = TNameScope::Public;
    int Line = 0;    // the heading
    int EndLine = 0; // its End line (the file's last line when missing)
    std::vector<TNameDecl> Parameters;
    std::vector<TNameDecl> Locals;
    std::vector<TNameWith> Withs;
};

struct TNameMember {
    QString Name;
    TNameKind Kind = TNameKind::Variable;
    TNameScope Scope = TNameScope::Private;
    int Line = 0;
    QString TypeName;
    int Procedure = -1; // index into Procedures for a procedure
};

struct TNameFile {
    QString FileName; // as the project lists it ("Module1.bas")
    QString Name;     // the name code uses (Attribute VB_Name)
    TNameFileKind Kind = TNameFileKind::Other;
    std::vector<TNameMember> Members;
    std::vector<TNameProcedure> Procedures;
    // Lower-case name -> first member of that name.
    QHash<QString, int> MemberIndex;
    // Lower-case names whose events VB delivers to "Name_Event" procedures
    // of the file: the controls of its designer block, its WithEvents
    // variables and the interfaces it implements.
    QStringList EventSources;
};

// Where a name leads: a member of a file, or a local or parameter of a
// procedure (Member then -1), or nowhere (File -1).
struct TNameRef {
    int File = -1;
    int Member = -1;
    int Procedure = -1;
    bool Found() const { return File >= 0; }
    bool IsLocal() const { return File >= 0 && Member < 0; }
};

class TNameModel {
public:
    // Reads one file's declarations; ext as the loader keeps it (".BAS").
    // Files are numbered in the order they are added.
    int AddFile(const QString& fileName, const QString& ext, const QStringList& lines);

    int FileCount() const { return int(files_.size()); }
    const TNameFile& File(int index) const { return files_[std::size_t(index)]; }
    int FileIndex(const QString& fileName) const { return byFileName_.value(fileName, -1); }
    // The procedure whose heading..End holds line, or -1.
    int ProcedureAt(int file, int line) const;

    // The name at position of text (a line of file, 0-based line number),
    // with what stands before it on that line.
    TNameRef Resolve(int file, int line, QStringView text, int position) const;
    // Whether name may lead to a procedure at all: most names of code are
    // turned away here without a copy.
    bool MayNameProcedure(QStringView name) const {
        return procedureHashes_.count(FoldedNameHash(name)) != 0;
    }
    // The member ref leads to when it is a procedure, else null.
    const TNameMember* ProcedureOf(const TNameRef& ref) const;
    // Every name of code in text (strings, comments and keywords skipped)
    // that resolves to a procedure: [Start, End) of text and where it leads.
    struct TSpan {
        int Start = 0;
        int End = 0;
        TNameRef Ref;
    };
    std::vector<TSpan> ProcedureNames(int file, int line, QStringView text) const;
    // The same for every name that resolves to a member of a file (locals
    // and parameters left out), with the tokens already made of text.
    std::vector<TSpan> MemberNames(int file, int line, QStringView text,
                                   const std::vector<TVbToken>& tokens) const;

private:
    TNameRef resolveBare(int file, int procedure, const QString& lower) const;
    TNameRef resolveMember(int file, int target, const QString& lower) const;
    // The file of the project a qualifier or With object stands for, or -1.
    int fileOfExpression(int file, int procedure, int line, QStringView expression) const;
    int fileOfType(const QString& typeName) const;
    TNameRef resolveToken(int file, int procedure, int line, QStringView text,
                          const std::vector<TVbToken>& tokens, std::size_t index) const;

    std::vector<TNameFile> files_;
    QHash<QString, int> byFileName_;
    // Lower-case code name of a module, form, class or user control -> file.
    QHash<QString, int> byCodeName_;
    std::unordered_set<std::size_t> procedureHashes_;
    std::unordered_set<std::size_t> memberHashes_;
    // Lower-case name -> the first Public member of a standard module.
    QHash<QString, TNameRef> publicNames_;
};

// The model of the files from first on (every file, printed or not: their
// names hide or qualify others), each file's text loaded for the while.
// Throws TListoraError when a file cannot be read.
void AddProjectFiles(TNameModel& model, RFile* first, TSourceMgt& analyzer);
