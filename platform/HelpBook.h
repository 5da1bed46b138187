#pragma once
// The help book: HTML pages in a "help" folder beside the program or in the
// installed data folder, one page per help context number that the windows
// and dialogs open.
#include <QString>

namespace helpcontext {
inline constexpr int Contents = 0;
inline constexpr int PrintStatus = 10;
inline constexpr int Preview = 16;
inline constexpr int FormattingOptions = 20;
inline constexpr int PageSetup = 30;
inline constexpr int Margins = 31;
inline constexpr int Fonts = 40;
inline constexpr int Navigator = 51;
} // namespace helpcontext

// The page (file name inside the book) that shows a context; the contents
// page for a number no window uses.
QString helpPageForContext(int context);
// The book's folder for a program in programDir: "help" beside it, else the
// installed one (see resourceFolders).
QString helpBookFolder(const QString& programDir);
