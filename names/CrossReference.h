#pragma once
// Every use in code of every name a project declares at file level (the
// locals and parameters of procedures left out): where it is, in which
// procedure, and whether it assigns; and from that, which procedures call
// a procedure.
#include "names/NameModel.h"

#include <future>
#include <memory>
#include <vector>

struct TNameUse {
    int File = -1;
    int Line = 0;       // 0-based line of the file
    int Procedure = -1; // index into that file's Procedures, or -1
    int Start = 0;      // the name is [Start, End) of the line
    int End = 0;
    // The use gives the name a value: "X = ...", "Set X = ...",
    // "X(i) = ...", "For X = ...", "ReDim X", "Erase X".
    bool Assigns = false;
    // A Function's or Property Get's own name inside it, without an
    // argument list: its result, not a call of itself.
    bool OwnResult = false;
};

class TCrossReference {
public:
    explicit TCrossReference(const TNameModel& model);

    // Reads the uses in one file of the model (its lines as the model read
    // them). Files may come in any order; each once.
    void AddFile(int file, const QStringList& lines);

    // The uses of member of file, in the order their files were added and
    // by line: its declaration is no use. Members that share a name in one
    // file (a Property Get and its Let) share their uses.
    const std::vector<TNameUse>& Uses(int file, int member) const;

    // The procedures that use procedure member of file, each once at its
    // first use, in file and line order. Of a Property Get beside a Let or
    // Set, the uses that read it; of the Let or Set, those that assign.
    std::vector<TNameUse> Callers(int file, int member) const;

    const TNameModel& Model() const { return model_; }

private:
    int canonical(int file, int member) const;

    const TNameModel& model_;
    // [file][member] -> uses, members as canonical() gives them.
    std::vector<std::vector<std::vector<TNameUse>>> uses_;
    // [file][member] -> the first member of its name in that file.
    std::vector<std::vector<int>> canonical_;
};

// The uses in every file from first on: the text of a loaded file as it
// is, the others read as the analyzer loads them. Throws TListoraError when
// a file cannot be read.
void AddProjectUses(TCrossReference& xref, RFile* first, const TSourceMgt& analyzer);

// What the project file says about who else starts or calls the project.
struct TProjectFacts {
    // Startup="Sub Main": VB runs Main itself.
    bool StartsWithMain = false;
    // Type=OleDll, OleExe or Control: the Public members of its classes are
    // its interface, called from outside (those of user controls always
    // are).
    bool Library = false;
};
TProjectFacts ReadProjectFacts(const QStringList& projectLines);

// Whether VB calls member of file by itself (an event handler of the
// file's form, class or user control, of a control, WithEvents variable
// or implemented interface; Main at start-up) or from outside the project.
bool CalledFromOutside(const TNameModel& model, int file, int member, const TProjectFacts& facts);

// The procedures, variables and constants nothing in the project uses (a
// procedure's uses inside itself are none), those called from outside
// left out; one member per name of a file, by file and line.
std::vector<TNameRef> UnreferencedNames(const TCrossReference& xref, const TProjectFacts& facts);

// The names the cross-reference lists (procedures, module-level variables,
// constants, Types, Enums and Declares; one member per name of a file),
// by name without regard to case, then file.
std::vector<TNameRef> ReportedNames(const TNameModel& model);

// What the cross-reference lists: the names, those nothing uses, and the
// uses they were told from.
struct TXrefNames {
    std::unique_ptr<TCrossReference> Uses;
    std::vector<TNameRef> Reported;
    std::vector<TNameRef> Unused;
};

// The uses (as AddProjectUses reads them) and the names from them, worked
// out on a thread of their own so that they are ready when the listing
// laid out meanwhile is: the file list and the project's facts are read
// before this returns, the files on the thread, which touches neither the
// list nor the analyzer again. The model must stay as it is until the
// result is taken (get() throws what the reading threw); dropping the
// future waits for the thread.
std::future<TXrefNames> ReadXrefNamesAsync(const TNameModel& model, RFile* first,
                                           const TSourceMgt& analyzer);

// "Sub", "Function", "Property", "Variable", "Const", "Type", "Enum",
// "Declare" (and "Enum member", "Event").
QString NameKindText(const TNameModel& model, const TNameRef& ref);
QString NameScopeText(TNameScope scope);
