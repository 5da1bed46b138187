// Inline comment commands: every input line becomes a command line (after
// the indicator "///" in a comment) between two lines of code, so that the
// commands' arguments, not the code, are what varies.
#include "LayoutRun.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList lines{QStringLiteral("Sub Fuzz()")};
    for (const QString& command : SplitSourceLines(DecodeSourceBytes(input, 1252))) {
        lines << QStringLiteral("    x = 1 ' ///") + command;
        lines << QStringLiteral("    '///") + command;
    }
    lines << QStringLiteral("End Sub");
    fuzzsupport::layOut(QByteArray("[reports]\ntoc=1\nfunctionindex=1\n"), lines);
    return 0;
}
