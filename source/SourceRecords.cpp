#include "source/SourceRecords.h"

namespace {

// Iterative, so that a file with a great many sections cannot exhaust the
// stack when it is released.
void deleteChain(RFunction* first) {
    while (first) {
        RFunction* next = first->Next;
        delete first;
        first = next;
    }
}

} // namespace

RFile::RFile() : Functions(new RFunction) {}

RFile::~RFile() {
    deleteChain(Functions);
}

void RFile::ClearFunctions() {
    deleteChain(Functions);
    Functions = new RFunction;
}

RFunction* RFile::AppendFunction(RFunction* tail) {
    auto* record = new RFunction;
    record->Prev = tail;
    tail->Next = record;
    return record;
}
