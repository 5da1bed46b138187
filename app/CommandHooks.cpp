#include "app/CommandHooks.h"

TCommandHooks& commandHooks() {
    static TCommandHooks hooks;
    return hooks;
}

QString notAvailableText(const QString& what) {
    return QStringLiteral("%1 is not available in this version yet.").arg(what);
}
