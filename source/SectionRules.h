#pragma once
// The text rules by which a Visual Basic file is split into sections: the
// comment cut, the three procedure tests, section naming and the skip over
// a form's description block. Keywords are matched case-sensitively.
#include <QString>
#include <QStringList>

// The line without its comment: the first apostrophe outside double quotes
// at a 1-based position up to length - 2 cuts the line before it. An
// apostrophe in the last two positions is left alone.
QString CutComment(const QString& line);

// True when key starts at a 1-based position of at most maxPos.
bool KeyStartsWithin(const QString& line, const QString& key, int maxPos);

// The procedure tests, applied to a comment-cut line.
bool IsFunctionStart(const QString& line);
bool IsPropertyStart(const QString& line);
bool IsSubStart(const QString& line);
// False when none of the three can hold: each needs its keyword's capital
// within the first 16 characters. Most lines of code are passed over so.
bool MayStartProcedure(QStringView line);

// "Private " within the first 11 and "Static " within the first 18
// characters of a declaration line.
bool IsPrivateDeclaration(const QString& text);
bool IsStaticDeclaration(const QString& text);

struct RSectionName {
    QString Name;       // untrimmed, e.g. " Form_Load " or " Get Count"
    QString ReturnType; // empty for a Sub
};

// Names a section from its declaration text: what follows the keyword
// prefix up to the first "(", with a type character turned into the
// return type.
RSectionName SectionNameOf(const QString& text, bool isSub);

// The type named by the "As" clause after the parameter list, or
// "Variant" when there is none.
QString DeclaredType(const QString& text);

struct RFormHeader {
    int CodeStart = 0;  // index of the first line after the description block
    int BlockCount = 0; // begin lines counted
};

// Walks the description block of a form-like file (Begin/End, nested
// BeginProperty/EndProperty) up to the line at which it balances; without
// a balance the whole file is header.
RFormHeader SkipFormHeader(const QStringList& lines);

// Extensions of files that open with a description block.
bool HasDescriptionBlock(const QString& upperExt);
