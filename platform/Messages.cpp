#include "platform/Messages.h"

#include <cstdio>

namespace {

class TStderrMessages : public IMessageService {
public:
    void show(TMessageKind kind, const QString& title, const QString& text) override {
        const char* tag = kind == TMessageKind::Error     ? "error"
                          : kind == TMessageKind::Warning ? "warning"
                                                          : "note";
        QString line = title.isEmpty() ? text : title + ": " + text;
        line.replace('\n', ' ');
        std::fprintf(stderr, "%s: %s\n", tag, line.toLocal8Bit().constData());
    }
    bool askYesNo(const QString& title, const QString& text) override {
        show(TMessageKind::Information, title, text);
        return false;
    }
};

TStderrMessages defaultService;
IMessageService* current = nullptr;

} // namespace

IMessageService& messages() { return current ? *current : defaultService; }

void setMessageService(IMessageService* service) { current = service; }
