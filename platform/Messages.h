#pragma once
// Message boxes with one OK button (and the few questions the program asks),
// reached through an interface so that logic can be driven in tests and by
// the batch command without a modal dialog blocking.
#include "platform/Errors.h"

#include <QString>

#include <exception>

enum class TMessageKind { Information, Warning, Error };

class IMessageService {
public:
    virtual ~IMessageService() = default;
    virtual void show(TMessageKind kind, const QString& title, const QString& text) = 0;
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
};

// Text as a terminal should show it: control and formatting characters
// (escape sequences, bidirectional overrides) become escapes such as \x1b,
// so that a name read from a file cannot recolour or rewrite the user's
// terminal. keepLayout keeps line breaks and tabs as they are.
QString ShownOnTerminal(const QString& text, bool keepLayout = false);

// The process-wide service. The default one writes to standard error and
// answers "no"; the desktop program installs its message boxes, tests
// install a recorder.
IMessageService& messages();
// Installs a service (not owned); nullptr restores the default.
void setMessageService(IMessageService* service);

inline void showError(const QString& text) {
    messages().show(TMessageKind::Error, QString(), text);
}
inline void showWarning(const QString& text) {
    messages().show(TMessageKind::Warning, QString(), text);
}

// The error report of one command: a failure ends the command with an error
// box, never the program (nothing may escape into the event loop).
template <class Fn> void runReportingFailures(Fn&& fn) {
    try {
        fn();
    } catch (const TListoraError& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    }
}
