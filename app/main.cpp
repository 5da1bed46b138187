// The desktop program: installs the widget services, runs the start
// sequence and the message loop.
#include "app/JobCommands.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "platform/Dialogs.h"
#include "platform/HelpBook.h"
#include "platform/Messages.h"
#include "platform/ui/WidgetDialogs.h"
#include "platform/ui/WidgetMessages.h"
#include "settings/ui/SettingsDialogs.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Listora"));
    QApplication::setApplicationDisplayName(kApplicationTitle);

    TWidgetMessages messageBoxes;
    TWidgetFileDialogs dialogs;
    TWidgetClipboard clipboardText;
    TWidgetChoosers choosers;
    TWidgetHelpViewer help;
    setMessageService(&messageBoxes);
    setFileDialogs(&dialogs);
    setClipboard(&clipboardText);
    setChooserDialogs(&choosers);
    setHelpViewer(&help);

    installSettingsDialogs();

    TStartOptions options;
    options.ProgramDir = QCoreApplication::applicationDirPath();
    options.ClipFolder = defaultClipFolder();
    std::unique_ptr<TfrmMain> mainWindow = startListora(options);
    if (!mainWindow) return 1;
    installJobCommands(*mainWindow, helpBookFolder(options.ProgramDir));
    // "listora Project1.vbp" opens the file once the window is up.
    if (const QString named = commandLineFile(QCoreApplication::arguments()); !named.isEmpty())
        QTimer::singleShot(0, mainWindow.get(), [window = mainWindow.get(), named] {
            runReportingFailures([&] { window->OpenPath(named); });
        });
    messageBoxes.setOwner(mainWindow.get());
    dialogs.setOwner(mainWindow.get());
    const int result = app.exec();
    setMessageService(nullptr);
    setFileDialogs(nullptr);
    setClipboard(nullptr);
    setChooserDialogs(nullptr);
    setHelpViewer(nullptr);
    return result;
}
