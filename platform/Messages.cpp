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
        std::fprintf(stderr, "%s: %s\n", tag, ShownOnTerminal(line).toLocal8Bit().constData());
    }
    bool askYesNo(const QString& title, const QString& text) override {
        show(TMessageKind::Information, title, text);
        return false;
    }
};

TStderrMessages defaultService;
IMessageService* current = nullptr;

} // namespace

QString ShownOnTerminal(const QString& text, bool keepLayout) {
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar::Category kind = c.category();
        // A byte of a file name that is no UTF-8 (see DecodeFileName).
        const bool rawByte = c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF &&
                             !(i > 0 && text[i - 1].isHighSurrogate());
        if (rawByte) {
            shown += QStringLiteral("\\x%1").arg(c.unicode() - 0xDC00, 2, 16, QLatin1Char('0'));
        } else if ((kind != QChar::Other_Control && kind != QChar::Other_Format) ||
                   (keepLayout && (c == u'\n' || c == u'\t'))) {
            shown += c;
        } else if (c == u'\n') {
            shown += QStringLiteral("\\n");
        } else if (c == u'\t') {
            shown += QStringLiteral("\\t");
        } else if (c.unicode() < 0x100) {
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return shown;
}

IMessageService& messages() {
    return current ? *current : defaultService;
}

void setMessageService(IMessageService* service) {
    current = service;
}
