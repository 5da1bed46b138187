// The fonts dialog, the desktop's font chooser and open dialog, and listings
// rebuilt after the settings dialogs' OK.
#include "settings/ui/FontSetupDialog.h"
#include "DialogTestSupport.h"
#include "app/CommandHooks.h"
#include "common/TestSupport.h"
#include "format/SourceCodePrint.h"
#include "format/TextRoutines.h"
#include "platform/HelpBook.h"
#include "platform/ui/ModalRunner.h"
#include "platform/ui/WidgetDialogs.h"
#include "settings/ui/PageSetupDialog.h"
#include "settings/ui/PrintOptionsDialog.h"
#include "settings/ui/SettingsControls.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace {

using FontSetupDialogTest = DialogTest;

const char* const kSections[] = {"Header", "Footer", "Code", "Functions", "Comment"};

TEST_F(FontSetupDialogTest, SamplesShowTheStoredFontsAndOkWritesAllFive) {
    TIniFile(settingsPath()).writeString("code", "TName", "Liberation Mono");
    TdlgFontSetup dialog;
    EXPECT_EQ(dialog.windowTitle(), "Listora - Fonts Setup");
    EXPECT_EQ(dialog.txtSample[0]->text(),
              ExpandHeaderText("%s - %d", "FileName", "Sub Name", 1, TodayShortDate()));
    EXPECT_EQ(dialog.txtSample[1]->text(), "Page 1");
    EXPECT_EQ(dialog.txtSample[2]->text(), "Code");
    EXPECT_EQ(dialog.txtSample[3]->text(), "Functions");
    EXPECT_EQ(dialog.txtSample[4]->text(), "Comments");
    EXPECT_EQ(dialog.txtSample[2]->storedFont(), TFont("Liberation Mono", 10));
    EXPECT_EQ(dialog.txtSample[4]->storedFont(), TFont("arial", 10));
    // Ink on paper, also under a dark palette.
    EXPECT_EQ(dialog.txtSample[4]->palette().color(QPalette::Base), QColor(Qt::white));

    const TFont chosen("Liberation Serif", 14, fsBold | fsUnderline, rgbColor(0, 128, 0));
    choosers.fonts = {std::nullopt, chosen};
    dialog.btnFont[2]->click();
    EXPECT_EQ(dialog.txtSample[2]->storedFont(), TFont("Liberation Mono", 10)) << "cancelled";
    // A double click on the sample opens the chooser too.
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(4, 4), QPointF(4, 4), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtSample[4], &twice);
    ASSERT_EQ(choosers.fontPresets.size(), 2u);
    EXPECT_EQ(choosers.fontPresets[1], TFont("arial", 10)) << "preset to the sample's font";
    EXPECT_EQ(dialog.txtSample[4]->storedFont(), chosen);
    dialog.btnOK->click();
    EXPECT_TRUE(dialog.OK);

    const auto entries = iniEntries(settingsPath());
    for (const char* section : kSections) {
        const QString s = QLatin1String(section);
        for (const char* key : {"TName", "TSize", "TypeBold", "TypeItalic", "TypeUnderline",
                                "TypeStrikeout", "TypeColor"})
            EXPECT_TRUE(entries.contains(s + "/" + key) ||
                        entries.contains(s.toLower() + "/" + key))
                << section << " " << key;
    }
    EXPECT_EQ(entries["FONTS/Comment"], "Comments");
    EXPECT_EQ(entries["code/TName"], "Liberation Mono") << "the stored spelling stays";

    TdlgFontSetup again; // (the keys' format is the stored font's own)
    EXPECT_EQ(again.txtSample[4]->storedFont(), chosen);
}

TEST_F(FontSetupDialogTest, CancelLeavesTheFontSectionsUntouched) {
    const QByteArray before = "[Code]\r\nTName=Courier New\r\nTSize=9\r\n";
    testsupport::writeFile(settingsPath(), before);
    choosers.fonts = {TFont("Liberation Serif", 20)};
    TdlgFontSetup dialog;
    dialog.btnFont[2]->click();
    dialog.btnCancel->click();
    EXPECT_FALSE(dialog.OK);
    EXPECT_EQ(testsupport::readFile(settingsPath()), before);
}

TEST_F(FontSetupDialogTest, HelpButtonsOpenEachDialogsTopic) {
    std::vector<int> shown;
    commandHooks().ShowHelp = [&](int context) { shown.push_back(context); };
    TdlgFontSetup fonts;
    fonts.btnHelp->click();
    TdlgPrintOptions options({});
    options.btnHelp->click();
    TDlgPageSetup page;
    page.btnHelp->click();
    // F1 as the keyboard delivers it (shortcuts first) does the same.
    page.show();
    QApplication::setActiveWindow(&page);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(page.focusWidget() ? page.focusWidget() : &page, &f1);
    page.hide();
    commandHooks().ShowHelp = {};
    EXPECT_EQ(shown, (std::vector<int>{helpcontext::Fonts, helpcontext::FormattingOptions,
                                       helpcontext::PageSetup, helpcontext::PageSetup}));
    EXPECT_FALSE(fonts.isVisible() || options.OK || page.OK) << "help closes nothing";
}

// Listings built after each dialog's OK, as the main window rebuilds.
class RebuildTest : public DialogTest {
protected:
    struct RBuilt {
        int pages;
        int pageWidth;
    };
    RBuilt build() {
        TSourceCodePrint formatter;
        formatter.LoadSettings();
        QStringList lines;
        for (int i = 0; i < 150; ++i)
            lines << QStringLiteral("    Total = Total + Values(%1) ' running sum").arg(i);
        formatter.BuildPlain(lines, nullptr);
        formatter.Pages.FirstPage();
        return {formatter.Pages.PageCount(), formatter.Pages.Canvas().PageWidth()};
    }
};

TEST_F(RebuildTest, EachDialogsOkChangesTheNextListing) {
    const RBuilt start = build();
    EXPECT_EQ(start.pageWidth, 1056) << "two pages on a landscape sheet";

    {
        TDlgPageSetup dialog;
        dialog.rbOnePage->click();
        dialog.btnOK->click();
    }
    const RBuilt portrait = build();
    EXPECT_EQ(portrait.pageWidth, 816);

    choosers.fonts = {TFont("Liberation Mono", 24)};
    {
        TdlgFontSetup dialog;
        dialog.btnFont[2]->click();
        dialog.btnOK->click();
    }
    const RBuilt bigger = build();
    EXPECT_GT(bigger.pages, portrait.pages) << "a bigger code font needs more pages";

    {
        TdlgPrintOptions dialog({});
        dialog.seSBL->setValue(10);
        dialog.btnOK->click();
    }
    EXPECT_GT(build().pages, bigger.pages) << "more space between lines needs more pages";
}

} // namespace

// The desktop's font chooser opens on the stored font: the installed family
// that stands in for a stored face such as "arial", its size and style; OK
// without a change gives that font back with its colour.
TEST_F(FontSetupDialogTest, TheFontChooserOpensOnTheStoredFont) {
    TWidgetChoosers desktop;
    QFont shown;
    bool accept = true;
    setModalRunner([&](QDialog& dialog) {
        auto* chooser = dialog.findChild<QFontDialog*>();
        EXPECT_NE(chooser, nullptr);
        if (chooser) shown = chooser->currentFont();
        return int(accept ? QDialog::Accepted : QDialog::Rejected);
    });
    const TColor navy = rgbColor(0, 0, 128);
    const TFont stored("arial", 14, fsBold | fsItalic, navy);
    const std::optional<TFont> chosen = desktop.chooseFont(stored);

    const QString family = QFontInfo(QFont(QStringLiteral("arial"))).family();
    EXPECT_EQ(shown.family(), family);
    EXPECT_EQ(shown.pointSize(), 14);
    EXPECT_TRUE(shown.bold());
    EXPECT_TRUE(shown.italic());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, TFont(family, 14, fsBold | fsItalic, navy));

    accept = false;
    EXPECT_FALSE(desktop.chooseFont(stored).has_value());
}

// The open dialog shows its detail columns whole: the date column fits a
// long date, and the dialog fits the places list and every column.
TEST_F(FontSetupDialogTest, TheOpenDialogIsWideEnoughForItsColumns) {
    TWidgetFileDialogs desktop;
    bool checked = false;
    setModalRunner([&](QDialog& dialog) {
        dialog.show();
        QCoreApplication::processEvents();
        auto* view = dialog.findChild<QTreeView*>();
        auto* places = dialog.findChild<QListView*>(QStringLiteral("sidebar"));
        EXPECT_TRUE(view && places) << "not the widget file dialog";
        if (!view || !places) return int(QDialog::Rejected);
        const QString longDate = QLocale::system().toString(
            QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
        EXPECT_GE(view->header()->sectionSize(3), view->fontMetrics().horizontalAdvance(longDate));
        const QSize room = dialog.screen()->availableGeometry().size() * 9 / 10;
        if (dialog.width() < room.width()) {
            EXPECT_LE(view->header()->length(), view->viewport()->width());
            EXPECT_GE(places->viewport()->width(), places->sizeHintForColumn(0));
        }
        checked = true;
        dialog.hide();
        return int(QDialog::Rejected);
    });
    TFileDialogRequest request{
        "Opening Project", "VB Projects|*.MAK;*.VBP", 1, testsupport::sourceDir(), {}, {}};
    EXPECT_FALSE(desktop.openFile(request).has_value());
    EXPECT_TRUE(checked);
}
