#include "DesktopTestSupport.h"

#include "app/MainWindow.h"
#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "platform/Colour.h"
#include "source/SourceMgt.h"
#include "source/ui/PrintJobNavigator.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

TScriptedUser::TScriptedUser() {
    setMessageService(&messages);
    setFileDialogs(&dialogs);
    setClipboard(&clip);
    setModalRunner([this](QDialog& dialog) {
        if (auto* nav = qobject_cast<TFrmVBPrintJ*>(&dialog)) {
            ++navigatorRuns;
            dialog.show();
            const int result = navigator ? navigator(*nav) : QDialog::Rejected;
            dialog.done(result);
            return result;
        }
        return otherDialog ? otherDialog(dialog) : int(QDialog::Rejected);
    });
}

TScriptedUser::~TScriptedUser() {
    setModalRunner({});
    setClipboard(nullptr);
    setFileDialogs(nullptr);
    setMessageService(nullptr);
}

void TScriptedUser::willOpen(const QString& path, int filterIndex) {
    dialogs.answers.append(TFileDialogResult{path, filterIndex});
}

QString TScratchDir::path(const QString& name) const {
    return name.isEmpty() ? dir_.path() : dir_.filePath(name);
}

QString TScratchDir::write(const QString& name, const QByteArray& bytes) const {
    testsupport::writeFile(path(name), bytes);
    return path(name);
}

QString copyExampleProject(const TScratchDir& scratch) {
    const QDir example(testsupport::sourceDir() + "/examples/Demo");
    for (const QString& name : example.entryList(QDir::Files))
        QFile::copy(example.filePath(name), scratch.path(name));
    return scratch.path("Demo.vbp");
}

QTreeWidgetItem* findNode(TFrmVBPrintJ& navigator, const QString& caption) {
    for (QTreeWidgetItemIterator it(navigator.tvSource); *it; ++it)
        if ((*it)->text(0) == caption) return *it;
    return nullptr;
}

void clickNode(TFrmVBPrintJ& navigator, QTreeWidgetItem* item) {
    navigator.tvSource->setCurrentItem(item);
    emit navigator.tvSource->itemClicked(item, 0);
}

void pressKey(TFrmVBPrintJ& navigator, QTreeWidgetItem* item, int key) {
    navigator.tvSource->setCurrentItem(item);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(navigator.tvSource, &press);
}

int referencePageCount(TfrmMain& window) {
    TSourceCodePrint formatter;
    formatter.LoadSettings();
    formatter.SetPageDefaults(TFont("Arial", 9), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    formatter.JobTitle = window.JobTitle;
    formatter.BuildProject(window.Sources()->FirstFile(), *window.Sources());
    return formatter.Pages.PageCount();
}
