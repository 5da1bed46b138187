#pragma once
// The print status window: copy, page-position and command gauges, the name
// of the page being printed, a Cancel button and the "print.lrg" clip. It is
// a window of its own, not a child of the window that printing disables, so
// its Cancel button stays usable.
#include "platform/Progress.h"
#include "render/PrintPages.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

class QLabel;
class QToolButton;

// A flat bar in one colour, position out of maximum.
class TColourGauge : public QWidget, public IGauge {
    Q_OBJECT
public:
    TColourGauge(const QColor& colour, QWidget* parent);
    void setMaximum(int maximum) override;
    int maximum() const override { return max_; }
    void setPosition(int position) override;
    int position() const override { return pos_; }
    void setBoxColour(const QColor& colour);
    QColor boxColour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    int max_ = 100;
    int pos_ = 0;
};

// Plays the frames of a clip in a loop while the event loop runs.
class TClipPlayer : public QWidget {
    Q_OBJECT
public:
    explicit TClipPlayer(QWidget* parent);
    // The clip name inside "graphics.dat" beside the program, or an
    // unpacked clip file of that name in the same folder. False (and an
    // empty player) when there is none.
    bool Open(const QString& clipName);
    void Play();
    void Clear();
    bool HasClip() const { return !frames_.isEmpty(); }
    bool Playing() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QImage> frames_;
    int frame_ = 0;
    QTimer timer_;
};

class TfrmPrintStatus : public QDialog, public IPrintStatus {
    Q_OBJECT
public:
    explicit TfrmPrintStatus(QWidget* parent = nullptr);

    void Open() override;
    void Close() override;
    IGauge& CopyGauge() override { return *CopyGaugeBar; }
    IGauge& PrintGauge() override { return *PrintGaugeBar; }
    IGauge& PageGauge() override { return *PageGaugeBar; }
    void SetCopyGaugeVisible(bool visible) override;
    void SetPageName(const QString& name) override;

    TColourGauge* CopyGaugeBar;
    TColourGauge* PrintGaugeBar;
    TColourGauge* PageGaugeBar;
    QToolButton* sbCancel;
    QLabel* Label1;
    QLabel* lblPageName;
    TClipPlayer* ASPrint;

protected:
    // The window only goes away through the run that opened it.
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    void cancel();
    bool closing_ = false;
};

// Lets the window system repaint and handle the Cancel button between pages
// and commands.
class TEventPump : public TNullProgress {
public:
    void processPendingMessages() override;
};
