#pragma once
// How long operations (loading, analysing, building, printing) report to the
// main window without knowing it: a status text, a percentage gauge, and a
// chance for the user interface to process pending events.
#include <QString>

class IProgress {
public:
    virtual ~IProgress() = default;
    // An empty text leaves the status line unchanged; the gauge always moves.
    virtual void showProgress(const QString& text, int percent) = 0;
    // Status line text alone.
    virtual void showStatus(const QString& text) = 0;
    virtual void processPendingMessages() = 0;
    // The page-count panel: the number of the page being laid out.
    virtual void showPageCount(int /*pages*/) {}
};

// A progress bar handed to an operation (the page gauge while printing,
// the gauge of a build from a file or a list of lines).
class IGauge {
public:
    virtual ~IGauge() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual int maximum() const = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
    void stepBy(int delta) { setPosition(position() + delta); }
};

// Does nothing: for callers without a window (the batch command, tests).
class TNullProgress : public IProgress {
public:
    void showProgress(const QString&, int) override {}
    void showStatus(const QString&) override {}
    void processPendingMessages() override {}
};

class TPlainGauge : public IGauge {
public:
    void setMaximum(int maximum) override { max_ = maximum; }
    int maximum() const override { return max_; }
    void setPosition(int position) override { pos_ = position; }
    int position() const override { return pos_; }

private:
    int max_ = 100;
    int pos_ = 0;
};
