#pragma once
// The round splash window. Its timer counts down while the user looks at
// it, then it replaces the animation clips from the archive and reports
// that it is done.
#include <QTimer>
#include <QWidget>

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    TfrmSplash(const QString& archivePath, const QString& clipFolder, int intervalMs = 750);

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

    QString archivePath_;
    QString clipFolder_;
    QTimer timer_;
    int counter_ = kStartCount;
    bool busy_ = true;
    bool expanded_ = false;
};
