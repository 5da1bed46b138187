#pragma once
// Message boxes with one OK button (or Yes/No) for the desktop program.
#include "platform/Messages.h"

class QWidget;

class TWidgetMessages : public IMessageService {
public:
    // The application's title is used when a message has none.
    explicit TWidgetMessages(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }

    void show(TMessageKind kind, const QString& title, const QString& text) override;
    bool askYesNo(const QString& title, const QString& text) override;

private:
    QWidget* owner_;
};
