#pragma once
// Failures that end the running command and reach the one error report of
// that command (the main window's, or the batch command's exit message).
#include <QString>
#include <stdexcept>

class TListoraError : public std::runtime_error {
public:
    explicit TListoraError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};
