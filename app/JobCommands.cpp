#include "app/JobCommands.h"

#include "app/CommandHooks.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/ui/HelpViewer.h"
#include "widgets/LastUsedMenu.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

namespace {

TfrmMain* mainWindow(QWidget* w) {
    return qobject_cast<TfrmMain*>(w);
}

// The help viewer lives as long as the window and leaves the process-wide
// slot empty when it goes.
class THelpHolder : public QObject {
public:
    THelpHolder(const QString& folder, QObject* parent) : QObject(parent), viewer(folder) {
        setHelpViewer(&viewer);
    }
    ~THelpHolder() override {
        if (&helpViewer() == &viewer) setHelpViewer(nullptr);
    }
    THelpBookViewer viewer;
};

} // namespace

TJobCommands installJobCommands(TfrmMain& window, const QString& helpFolder) {
    TJobCommands parts;

    auto* recent = new TLastUsedMenu(window.RecentFiles1, QStringLiteral("RFU"), &window);
    recent->SaveOnDestroy = true;
    recent->Load();
    QPointer<TfrmMain> win(&window);
    QObject::connect(recent, &TLastUsedMenu::Chosen, &window, [win, recent](const QString& path) {
        if (!win) return;
        if (!QFileInfo(path).isFile()) {
            // A dead entry goes, or it would fail the same way every time.
            recent->Remove(path);
            showError(fileNotFoundText(path) +
                      QStringLiteral("\nIt has been removed from the Recent Files list."));
            return;
        }
        runReportingFailures([&] {
            win->CurFileName = path;
            if (QFileInfo(path).suffix().toUpper() == QLatin1String("LRP"))
                win->OpenProjectSettings();
            else
                win->OpenWithAnimation();
        });
    });
    parts.RecentFiles = recent;

    auto* help = new THelpHolder(helpFolder, &window);
    parts.Help = &help->viewer;

    TCommandHooks& hooks = commandHooks();
    hooks.SaveProjectSettings = [](QWidget* w) {
        if (TfrmMain* m = mainWindow(w)) m->SaveProjectSettings();
    };
    hooks.OpenProjectSettings = [](QWidget* w) {
        if (TfrmMain* m = mainWindow(w)) m->OpenProjectSettings();
    };
    QPointer<TLastUsedMenu> list(recent);
    hooks.AddRecentFile = [list](const QString& path) {
        if (list) list->Add(path);
    };
    hooks.ShowHelp = [](int context) { helpViewer().showContext(kHelpFileName, context); };

    // The glossary entries stay out of the menus; their keys reach them.
    const auto glossary = [&](QAction* hidden, const QKeySequence& keys, bool deluxe) {
        auto* action = new QAction(hidden->text(), &window);
        action->setShortcut(keys);
        window.addAction(action);
        const auto run = [win, deluxe] {
            if (win) runReportingFailures([&] { win->BuildGlossaryListing(deluxe); });
        };
        QObject::connect(action, &QAction::triggered, &window, run);
        QObject::connect(hidden, &QAction::triggered, &window, run);
    };
    glossary(window.BasicGlossary1, kBasicGlossaryKeys, false);
    glossary(window.DeluxeGlossary1, kDeluxeGlossaryKeys, true);
    return parts;
}
