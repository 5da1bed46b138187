#pragma once
// The progress gauge: a sunken box filled with separate blocks, 0..100.
#include "platform/Progress.h"

#include <QWidget>

class TGauge : public QWidget, public IGauge {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    void setMaximum(int maximum) override;
    int maximum() const override { return max_; }
    // Clamped to 0..maximum.
    void setPosition(int position) override;
    int position() const override { return pos_; }

    // Width of one block in pixels.
    void setBoxWidth(int width);
    int boxWidth() const { return boxWidth_; }
    // How many times the position has changed (tests watch the gauge move).
    int moves() const { return moves_; }

    QSize sizeHint() const override { return {203, 15}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int max_ = 100;
    int pos_ = 0;
    int boxWidth_ = 7;
    int moves_ = 0;
};
