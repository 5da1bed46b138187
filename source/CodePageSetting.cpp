#include "source/CodePageSetting.h"

#include "platform/IniFile.h"
#include "source/TextDecoding.h"

int ConfiguredCodePage() {
    const int codePage = TIniFile().readInteger(QStringLiteral("general"),
                                                QStringLiteral("codepage"), kDefaultCodePage);
    return codePage > 0 ? codePage : kDefaultCodePage;
}
