// Where brackets, comment shadows, inline commands and the reports join the
// build. Until they exist the listing is printed without them.
#include "format/SourceCodePrint.h"

void TSourceCodePrint::printTitlePage() {}
void TSourceCodePrint::reserveTableOfContents() {}
void TSourceCodePrint::printTableOfContents() {}
void TSourceCodePrint::buildFunctionIndex() {}
void TSourceCodePrint::recordBracketLine(const QString&) {}
void TSourceCodePrint::finishBrackets() {}
void TSourceCodePrint::writeBracketDump(const QString&) {}
int TSourceCodePrint::shadowComment(const QStringList&) {
    return 0;
}
bool TSourceCodePrint::inlineCommand(const QString&) {
    return false;
}
void TSourceCodePrint::recordProcPage() {}
