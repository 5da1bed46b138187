#include "platform/HelpBook.h"

#include "platform/Resources.h"

QString helpPageForContext(int context) {
    switch (context) {
    case helpcontext::PrintStatus:
        return QStringLiteral("print-status.html");
    case helpcontext::Preview:
        return QStringLiteral("preview.html");
    case helpcontext::FormattingOptions:
        return QStringLiteral("formatting-options.html");
    case helpcontext::PageSetup:
        return QStringLiteral("page-setup.html");
    case helpcontext::Margins:
        return QStringLiteral("margins.html");
    case helpcontext::Fonts:
        return QStringLiteral("fonts.html");
    case helpcontext::Navigator:
        return QStringLiteral("navigator.html");
    default:
        return QStringLiteral("index.html");
    }
}

QString helpBookFolder(const QString& programDir) {
    return findResourceFolder(programDir, QStringLiteral("help"));
}
