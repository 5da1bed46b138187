// The formatter as a whole: any settings file (before the first NUL) and
// any source text (after it) through layout, brackets, shadows, inline
// commands and the page frame.
#include "LayoutRun.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::startApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QList<QByteArray> parts = fuzzsupport::splitOnce(data, size);
    fuzzsupport::layOut(parts[0], SplitSourceLines(DecodeSourceBytes(parts[1], 1252)));
    return 0;
}
