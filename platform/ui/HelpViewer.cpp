#include "platform/ui/HelpViewer.h"

#include "platform/ui/WindowPlacement.h"

#include "platform/HelpBook.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

TfrmHelp::TfrmHelp(const QString& bookFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), bookFolder_(bookFolder) {
    setWindowTitle(QStringLiteral("Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(640, 560);

    auto* tools = new QHBoxLayout;
    const auto button = [&](const QString& text) {
        auto* b = new QToolButton(this);
        b->setText(text);
        tools->addWidget(b);
        return b;
    };
    btnContents = button(QStringLiteral("Contents"));
    btnBack = button(QStringLiteral("Back"));
    btnForward = button(QStringLiteral("Forward"));
    tools->addStretch();

    Browser = new QTextBrowser(this);
    Browser->setSearchPaths({bookFolder_});
    // Links to the web leave the book for the desktop's browser.
    Browser->setOpenExternalLinks(true);
    btnBack->setEnabled(false);
    btnForward->setEnabled(false);
    connect(btnBack, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(btnForward, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(btnContents, &QToolButton::clicked, this,
            [this] { showContext(helpcontext::Contents); });
    connect(Browser, &QTextBrowser::backwardAvailable, btnBack, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, btnForward, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] {
        // The page's title first, as browsers show it; the window system
        // adds the program's name after it.
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() || title == QLatin1String("Listora Help")
                           ? QStringLiteral("Help")
                           : title + QStringLiteral(" - Help"));
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(Browser);

    // Closed as other viewers are: Esc, Ctrl+W, and the desktop's own close
    // keys where they differ (one shortcut per key: two would be ambiguous
    // and neither would fire).
    QList<QKeySequence> closeKeys = {QKeySequence(Qt::Key_Escape),
                                     QKeySequence(Qt::CTRL | Qt::Key_W)};
    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Close))
        if (!closeKeys.contains(keys)) closeKeys.append(keys);
    for (const QKeySequence& keys : closeKeys)
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
}

bool TfrmHelp::showContext(int context) {
    const QString page = QDir(bookFolder_).filePath(helpPageForContext(context));
    if (!QFileInfo(page).isFile()) {
        Browser->setHtml(
            QStringLiteral("<h2>Help is not installed</h2><p>The help book was not found in "
                           "<tt>%1</tt>.</p>")
                .arg(bookFolder_.toHtmlEscaped()));
        return false;
    }
    Browser->setSource(QUrl::fromLocalFile(page));
    return true;
}

THelpBookViewer::THelpBookViewer(const QString& bookFolder) : bookFolder_(bookFolder) {}

THelpBookViewer::~THelpBookViewer() {
    delete window_.data();
}

void THelpBookViewer::showContext(const QString&, int context) {
    // Beside a modal dialog the window must belong to it, or the dialog
    // would keep it from taking input.
    QWidget* owner = QApplication::activeModalWidget();
    if (window_ && window_->parentWidget() != owner) delete window_.data();
    const bool opening = !window_;
    if (!window_) window_ = new TfrmHelp(bookFolder_, owner);
    window_->showContext(context);
    if (opening) {
        // On the screen of the window that asked, whole.
        QWidget* near = owner ? owner : QApplication::activeWindow();
        QScreen* screen = near ? near->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect available = screen->availableGeometry();
            QRect frame(QPoint(0, 0), window_->size().boundedTo(available.size() * 9 / 10));
            frame.moveCenter(near ? near->frameGeometry().center() : available.center());
            window_->resize(frame.size());
            // move() places the window system's frame, whose title bar and
            // borders come on top of the client area placed here: moving by
            // the client's corner let a scaled screen's window run off the
            // bottom by the title bar's height.
            const QMargins decoration(4, 30, 4, 4);
            window_->move(placeOnScreen(frame, decoration, available) -
                          QPoint(decoration.left(), decoration.top()));
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void THelpBookViewer::quit(const QString&) {
    if (window_) window_->close();
}
