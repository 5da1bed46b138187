#pragma once
// The round splash window. Its timer counts down while the user looks at
// it, then it replaces the animation clips from the archive and reports
// that it is done.
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    // How the window is made round: a translucent window that paints an
    // antialiased disc; where the window system would show transparent
    // corners black, a rectangular window that paints the disc over a
    // picture of what lies under it (the splash is brief and never moves),
    // or, when the screen cannot be read, a one-bit window mask (stepped
    // edge).
    enum class TShape { Translucent, OverBackdrop, Masked };
    TfrmSplash(const QString& archivePath, const QString& clipFolder, int intervalMs = 750);
    TfrmSplash(const QString& archivePath, const QString& clipFolder, int intervalMs, TShape shape);

    TShape Shape() const { return shape_; }
    // Swaps a masked window's mask for backdrop, the picture of the screen
    // under the window; keeps the mask when backdrop is null or empty.
    // Called when the window is shown (public for tests).
    bool PaintOverBackdrop(const QPixmap& backdrop);

    bool SplashBusy() const { return busy_; }
    int Counter() const { return counter_; }
    bool ClipsExpanded() const { return expanded_; }
    // One timer tick (public for tests that step the countdown).
    void Timer1Timer();

    static constexpr int kStartCount = 425;
    static constexpr int kStep = 120;
    static constexpr int kDoneBelow = 50;

signals:
    void finished();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void drawPicture(QPainter& p, const QRect& box);

    TShape shape_;
    QPixmap backdrop_;
    QString archivePath_;
    QString clipFolder_;
    QTimer timer_;
    int counter_ = kStartCount;
    bool busy_ = true;
    bool expanded_ = false;
};
