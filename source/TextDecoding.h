#pragma once
// Source text and project lines come from Windows machines: UTF-8 when the
// bytes say so, otherwise the ANSI code page of the machine that wrote them.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Windows-1252, the code page of most of the projects met in practice.
inline constexpr int kDefaultCodePage = 1252;

// True for 65001 (UTF-8) and the Windows code pages iconv converts from.
bool IsKnownCodePage(int codePage);

// True when the bytes are well-formed UTF-8 (plain ASCII included).
bool IsValidUtf8(const QByteArray& bytes);

// UTF-8 when valid, else the Windows code page (1250, 1251, 1252, 932, ...)
// through iconv; an unknown code page falls back to 1252. Bytes the code
// page does not define become U+FFFD, so nothing is dropped silently.
QString DecodeSourceBytes(const QByteArray& bytes, int codePage);

// Splits text at CR LF, LF or a lone CR; a final line break adds no empty
// line, so "a\r\nb\r\n" is two lines and an empty text none.
QStringList SplitSourceLines(const QString& text);

// The lines of source bytes, split where SplitSourceLines splits their
// decoded text (no code page puts CR or LF inside a character): lines to
// compare by their bytes, which two decodings may map alike or apart.
QList<QByteArray> SplitSourceByteLines(const QByteArray& bytes);

// A whole file's bytes; throws TListoraError when it cannot be read.
QByteArray ReadSourceBytes(const QString& path);

// Reads a whole file as lines; throws TListoraError when it cannot be read.
QStringList ReadSourceLines(const QString& path, int codePage);
