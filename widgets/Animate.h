#pragma once
// The animation control: plays a clip file (see archive/ClipFormat.h) in a
// loop while a long operation runs. The frames advance on a timer, so they
// move only while the event loop runs (the long operations process pending
// events as they go).
#include "archive/ClipFormat.h"

#include <QTimer>
#include <QWidget>

class TAnimate : public QWidget {
    Q_OBJECT
public:
    explicit TAnimate(QWidget* parent = nullptr);

    // Loads the clip; an unreadable or missing file leaves the control
    // empty (the program runs without clips) and returns false.
    bool setFileName(const QString& fileName);
    const QString& fileName() const { return fileName_; }
    bool hasClip() const { return !clip_.Frames.isEmpty(); }
    int frameCount() const { return int(clip_.Frames.size()); }

    void play();
    void stop();
    bool isPlaying() const { return timer_.isActive(); }
    int currentFrame() const { return frame_; }
    // Frames shown since the clip was loaded.
    int framesShown() const { return shown_; }

    QSize sizeHint() const override { return {106, 70}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advance();

    QString fileName_;
    TClip clip_;
    QTimer timer_;
    int frame_ = 0;
    int shown_ = 0;
};
