#pragma once
// The records of a loaded project: one RFile per member, one RFunction per
// section of a file. Both chains are doubly linked and end in one empty
// record that is never visited as data (walks stop at the record without a
// successor).
#include <QString>
#include <QStringList>

struct RFunction {
    QString Name;
    int StartLine = 0;
    bool IsPrivate = false;
    bool IsStatic = false;
    bool IsSub = false;
    quint8 Marked = 0;
    int FirstPage = 0;
    // 32 bits: a section of a long file can exceed 65535 lines.
    int SectionLines = 0;
    QString ReturnType;
    RFunction* Next = nullptr;
    RFunction* Prev = nullptr;
};

struct RFile {
    RFile();
    ~RFile();
    RFile(const RFile&) = delete;
    RFile& operator=(const RFile&) = delete;

    // Drops every section and leaves one empty record as Functions.
    void ClearFunctions();
    // Fills nothing: links a new empty record after the tail section and
    // returns it.
    RFunction* AppendFunction(RFunction* tail);

    QString FileName;
    QString DisplayName;
    QString Path;
    quint8 Marked = 0;
    int FirstPage = 0;
    QString Ext;
    RFunction* Functions = nullptr; // owned, never null
    int LineCount = 0;
    bool Loaded = false;
    int CodeStart = 0;
    int BlockCount = 0;
    QStringList Lines;
    RFile* Next = nullptr;
    RFile* Prev = nullptr;
};
