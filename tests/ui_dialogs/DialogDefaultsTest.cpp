// The settings dialogs start from the values the listing really uses: OK
// without a change, or OK after Restore Defaults, leaves every recorded page
// of a built listing exactly as it was.
#include "DialogTestSupport.h"
#include "common/FocusWalk.h"
#include "common/PageSerial.h"
#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "settings/FontRegistry.h"
#include "settings/StoredFont.h"
#include "settings/ui/FontSetupDialog.h"
#include "settings/ui/PageSetupDialog.h"
#include "settings/ui/PrintOptionsDialog.h"
#include "source/ProjectLoader.h"
#include "source/SourceMgt.h"

#include <QDataStream>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <functional>

namespace {

// Every command of every page, with the fonts, pens and brushes they carry
// and the named fonts they refer to, as one byte string.
QByteArray listingRecording() {
    TSourceMgt sources;
    const QString project = testsupport::sourceDir() + "/examples/Demo/Demo.vbp";
    testsupport::loadProject(sources, project);
    TSourceCodePrint formatter;
    formatter.LoadSettings();
    formatter.SetPageDefaults(TFont("Arial", 9), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    formatter.JobTitle = project;
    formatter.BuildProject(sources.FirstFile(), sources);

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const char* name : {"COMMENTS", "CODE", "FUNCTION"})
        testsupport::writeFont(out, fontregistry::find(QLatin1String(name)));
    const TPageStorage& pages = formatter.Pages;
    out << pages.PageCount();
    for (int n = 1; n <= pages.PageCount(); ++n) {
        const TPageRec* page = pages.Page(n);
        const TVirtCanvas& canvas = *page->Canvas;
        out << page->Landscape << page->Width << page->Height << page->PageName;
        testsupport::writeCommands(out, canvas);
    }
    return bytes;
}

struct RDialogRun {
    const char* name;
    // Opens the dialog, lets `touch` act on it, and presses OK.
    std::function<void(const std::function<void(TSettingsDialog&)>& touch)> run;
};

std::vector<RDialogRun> settingsDialogs(const QString& logoFolder) {
    return {
        {"formatting options",
         [logoFolder](const auto& touch) {
             TdlgPrintOptions dialog(logoFolder);
             touch(dialog);
             ASSERT_TRUE(dialog.clickOK());
         }},
        {"page setup",
         [](const auto& touch) {
             TDlgPageSetup dialog;
             touch(dialog);
             ASSERT_TRUE(dialog.clickOK());
         }},
        {"fonts",
         [](const auto& touch) {
             TdlgFontSetup dialog;
             touch(dialog);
             ASSERT_TRUE(dialog.clickOK());
         }},
    };
}

using DialogDefaultsTest = DialogTest;

TEST_F(DialogDefaultsTest, OkWithoutAChangeLeavesTheListingAsItWas) {
    QTemporaryDir folder;
    const QByteArray untouched = listingRecording();
    ASSERT_FALSE(untouched.isEmpty());
    for (const RDialogRun& dialog : settingsDialogs(folder.path())) {
        QFile::remove(settingsPath());
        dialog.run([](TSettingsDialog&) {});
        EXPECT_TRUE(QFile::exists(settingsPath())) << dialog.name;
        EXPECT_EQ(listingRecording(), untouched) << dialog.name;
        // Opened again on what it wrote, it writes the same again.
        const auto written = iniEntries(settingsPath());
        dialog.run([](TSettingsDialog&) {});
        EXPECT_EQ(iniEntries(settingsPath()), written) << dialog.name;
    }
}

TEST_F(DialogDefaultsTest, RestoreDefaultsUndoesStoredChoices) {
    QTemporaryDir folder;
    const QByteArray defaults = listingRecording();
    {
        TIniFile ini(settingsPath());
        ini.beginBatch();
        ini.writeBool("BRACKETS", "BracketAll", false);
        ini.writeBool("BRACKETS", "If", false);
        ini.writeInteger("BRACKETS", "COLOR", 255);
        ini.writeInteger("GENERAL", "FunctionSep", 1);
        ini.writeInteger("GENERAL", "SBL", 6);
        ini.writeBool("GENERAL", "ShadeBoxEmulation", true);
        ini.writeBool("GENERAL", "NLIPicture0", false);
        ini.writeBool("GENERAL", "NLIPicture2", true);
        ini.writeBool("REPORTS", "TOC", true);
        ini.writeString("PAGELAYOUT", "Header", "%s");
        ini.writeString("PAGELAYOUT", "Footer", "Page %p");
        ini.writeBool("PAGELAYOUT", "TwoPage", false);
        ini.writeInteger("margins", "left", 120);
        ini.commitBatch();
        TFontSave(TFont("Liberation Mono", 14, fsBold)).Save(settingsPath(), "Code");
    }
    ASSERT_NE(listingRecording(), defaults);
    for (const RDialogRun& dialog : settingsDialogs(folder.path()))
        dialog.run([](TSettingsDialog& d) {
            ASSERT_TRUE(d.btnDefaults);
            d.btnDefaults->click();
        });
    EXPECT_EQ(listingRecording(), defaults);
}

} // namespace

TEST_F(DialogDefaultsTest, TabReachesEveryVisibleControlOnEveryPage) {
    QTemporaryDir logos;
    for (const RDialogRun& d : settingsDialogs(logos.path())) {
        d.run([&](TSettingsDialog& dialog) {
            const QList<QTabWidget*> tabs = dialog.findChildren<QTabWidget*>();
            const int pages = tabs.isEmpty() ? 1 : tabs.first()->count();
            for (int page = 0; page < pages; ++page) {
                if (!tabs.isEmpty()) tabs.first()->setCurrentIndex(page);
                const QList<QWidget*> walk = testsupport::tabWalk(&dialog);
                EXPECT_EQ(testsupport::tabWalkFaults(walk, &dialog), "")
                    << d.name << " page " << page;
                for (QPushButton* b :
                     {dialog.btnOK, dialog.btnCancel, dialog.btnHelp, dialog.btnDefaults})
                    EXPECT_TRUE(walk.contains(b)) << d.name << " " << b->text().toStdString();
            }
            dialog.hide();
        });
    }
}
