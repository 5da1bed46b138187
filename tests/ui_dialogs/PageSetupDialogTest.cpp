// The page setup dialog: what it shows and writes, the units and margins
// arithmetic, dropping variables, the miniature, and the listing it shapes.
#include "settings/ui/PageSetupDialog.h"
#include "DialogTestSupport.h"
#include "common/TestSupport.h"
#include "format/ListingSettings.h"
#include "settings/PageSetupMath.h"

#include "platform/ui/ModalRunner.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>

namespace {

using PageSetupDialogTest = DialogTest;

TEST(PageSetupMathTest, UnitConversionsAndEditorValues) {
    EXPECT_EQ(convertMarginUnits(10, muInches, muMillimetres), 25);
    EXPECT_EQ(convertMarginUnits(0, muInches, muMillimetres), 0);
    EXPECT_EQ(convertMarginUnits(0, muMillimetres, muInches), 0);
    EXPECT_EQ(convertMarginUnits(25, muMillimetres, muInches), 10);
    EXPECT_EQ(convertMarginUnits(7, muMillimetres, muMillimetres), 7);

    EXPECT_EQ(marginToEditor(10, muInches), 1000);
    EXPECT_EQ(marginToEditor(10, muMillimetres), 2500);
    EXPECT_EQ(marginFromEditor(1000, muInches), 10);
    EXPECT_EQ(marginFromEditor(2540, muMillimetres), 10);
    // A margin taken through the millimetre editor and back is stable: held
    // values stay tenths of an inch whatever the units.
    int held = 7;
    for (int round = 0; round < 5; ++round)
        held = marginFromEditor(marginToEditor(held, muMillimetres), muMillimetres);
    EXPECT_EQ(held, 7);

    EXPECT_EQ(formatterMarginFromHeld(5), 50);
    EXPECT_EQ(heldMarginFromFormatter(50), 5);
    EXPECT_EQ(heldMarginFromFormatter(75), 8);

    EXPECT_EQ(appendTemplateVariable("Page ", "%d - Date & Time"), "Page %d");
    EXPECT_EQ(appendTemplateVariable("", "%p - Page Number"), "%p");
}

TEST_F(PageSetupDialogTest, WithoutSettingsShowsTheDesignAndOkWritesItsKeys) {
    TDlgPageSetup dialog;
    EXPECT_EQ(dialog.windowTitle(), "Listora - Page Setup");
    EXPECT_EQ(dialog.tabs->tabText(0), "Page Layout");
    EXPECT_EQ(dialog.tabs->tabText(1), "Header/Footer");
    EXPECT_TRUE(dialog.rbTwoPage->isChecked());
    // The templates the listing uses without a settings file.
    EXPECT_EQ(dialog.txtHeader->text(), "%f - %d");
    EXPECT_EQ(dialog.txtFooter->text(), "%p");
    EXPECT_EQ(dialog.cbPageNumType->currentIndex(), 0);
    EXPECT_EQ(dialog.units(), muInches);
    // The listing's own half-inch margins, not five inches.
    EXPECT_EQ(dialog.margins(), (RMargins{5, 5, 5, 5}));
    EXPECT_EQ(dialog.previewImage().size(), QSize(185, 143));

    dialog.btnOK->click();
    EXPECT_TRUE(dialog.OK);
    // The listing's own values, and the dialog's own keys beside them.
    const auto entries = iniEntries(settingsPath());
    EXPECT_EQ(entriesOutsideTheListing(entries),
              "MARGINS/NBOTTOM=5, MARGINS/NLEFT=5, MARGINS/NRIGHT=5, MARGINS/NTOP=5, "
              "MARGINS/ORIENT=L, MARGINS/Units=0, PAGELAYOUT/OnePage=0");
    EXPECT_EQ(entries.size(), 16);
}

TEST_F(PageSetupDialogTest, MarginsGoThroughTheEditorInTheChosenUnitsAndReachTheListing) {
    TIniFile ini(settingsPath());
    ini.writeInteger("MARGINS", "left", 100);
    ini.writeInteger("MARGINS", "top", 0);
    ini.writeInteger("MARGINS", "right", 120);
    // The dialog shows the margins the listing prints with, whatever its
    // own keys say.
    ini.writeInteger("MARGINS", "NRIGHT", 30);
    TDlgPageSetup dialog;
    EXPECT_EQ(dialog.margins(), (RMargins{10, 0, 12, 5}));

    std::vector<int> seen;
    bool accept = true;
    int answer[4] = {};
    auto answerWith = [&](int l, int t, int r, int b) {
        answer[0] = l;
        answer[1] = t;
        answer[2] = r;
        answer[3] = b;
    };
    dialog.runMarginsEditor = [&](TPageSetupDialog& editor, QWidget*) {
        seen = {editor.MarginLeft, editor.MarginTop, editor.MarginRight, editor.MarginBottom,
                int(editor.millimetres())};
        editor.MarginLeft = answer[0];
        editor.MarginTop = answer[1];
        editor.MarginRight = answer[2];
        editor.MarginBottom = answer[3];
        return accept;
    };

    dialog.rbMillimetres->click();
    accept = false;
    dialog.btnSetupMargins->click();
    EXPECT_EQ(seen, (std::vector<int>{2500, 0, 3000, 1300, 1}));
    EXPECT_EQ(dialog.margins(), (RMargins{10, 0, 12, 5})) << "cancelled editor";

    accept = true;
    answerWith(2540, 0, 1270, 5080);
    dialog.btnSetupMargins->click();
    EXPECT_EQ(dialog.margins(), (RMargins{10, 0, 5, 20}));
    dialog.btnSetupMargins->click();
    EXPECT_EQ(seen, (std::vector<int>{2500, 0, 1300, 5100, 1})) << "no shrinking on reopening";

    dialog.rbInches->click();
    answerWith(1000, 0, 500, 2000);
    dialog.btnSetupMargins->click();
    EXPECT_EQ(seen, (std::vector<int>{1000, 0, 500, 2000, 0}));

    dialog.btnOK->click();
    const auto entries = iniEntries(settingsPath());
    EXPECT_EQ(entries["MARGINS/NLEFT"], "10");
    EXPECT_EQ(entries["MARGINS/NBOTTOM"], "20");
    EXPECT_EQ(entries["MARGINS/Units"], "0");

    TListingSettings settings;
    LoadSettings(settings);
    EXPECT_EQ(settings.MarginLeft, 100);
    EXPECT_EQ(entries["MARGINS/top"], "13") << "written within what the listing accepts";
    EXPECT_EQ(settings.MarginTop, 13);
    EXPECT_TRUE(settings.Problems.isEmpty()) << settings.Problems.join('\n').toStdString();
    EXPECT_EQ(settings.MarginRight, 50);
    EXPECT_EQ(settings.MarginBottom, 200);

    // The next opening starts from what was written, in the chosen units
    // (the top as printed: 0.13" held as a tenth).
    TIniFile(settingsPath()).writeInteger("MARGINS", "Units", muMillimetres);
    TDlgPageSetup again;
    EXPECT_EQ(again.margins(), (RMargins{10, 1, 5, 20}));
    EXPECT_EQ(again.units(), muMillimetres);
}

TEST_F(PageSetupDialogTest, DroppedVariablesGoWhereDroppedAndOtherDropsRefused) {
    TDlgPageSetup dialog;
    std::unique_ptr<QMimeData> date(dialog.pnlVariables[1]->createMimeData());
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, date.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtFooter, &enter);
    EXPECT_TRUE(enter.isAccepted());
    // Dropped behind the text it goes to the end, in front of it first.
    const QPointF end(dialog.txtFooter->width() - 5, 5);
    QDropEvent drop(end, Qt::CopyAction, date.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtFooter, &drop);
    EXPECT_EQ(dialog.txtFooter->text(), "%p%d");
    std::unique_ptr<QMimeData> page(dialog.pnlVariables[3]->createMimeData());
    QDragEnterEvent again(QPoint(1, 5), Qt::CopyAction, page.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtFooter, &again);
    QDropEvent front(QPointF(1, 5), Qt::CopyAction, page.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtFooter, &front);
    EXPECT_EQ(dialog.txtFooter->text(), "%p%p%d");
    // A double click inserts at the cursor of the field last used.
    dialog.txtFooter->setCursorPosition(2);
    emit dialog.pnlVariables[2]->doubleClicked(dialog.pnlVariables[2]->text());
    EXPECT_EQ(dialog.txtFooter->text(), "%p%s%p%d");

    QMimeData plain;
    plain.setText("typed text");
    QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtHeader, &refused);
    EXPECT_FALSE(refused.isAccepted());
    QDropEvent plainDrop(QPointF(5, 5), Qt::CopyAction, &plain, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.txtHeader, &plainDrop);
    EXPECT_EQ(dialog.txtHeader->text(), "%f - %d");

    QStringList captions;
    for (TVariablePanel* panel : dialog.pnlVariables)
        captions << panel->text();
    EXPECT_EQ(captions, (QStringList{"%f - File Name", "%d - Date & Time", "%s - Current Sub",
                                     "%p - Page Number"}));
}

TEST_F(PageSetupDialogTest, OnePageMakesTheNextBuildPortraitAndCancelWritesNothing) {
    const QByteArray before = "[PAGELAYOUT]\nTwoPage=1\n";
    testsupport::writeFile(settingsPath(), before);
    {
        TDlgPageSetup dialog;
        dialog.rbOnePage->click();
        dialog.txtHeader->setText("changed");
        dialog.btnCancel->click();
        EXPECT_FALSE(dialog.OK);
    }
    EXPECT_EQ(testsupport::readFile(settingsPath()), before);

    TDlgPageSetup dialog;
    dialog.rbOnePage->click();
    EXPECT_EQ(dialog.previewImage().size(), QSize(143, 185));
    dialog.btnOK->click();
    EXPECT_EQ(iniEntries(settingsPath())["MARGINS/ORIENT"], "P");
    TListingSettings settings;
    LoadSettings(settings);
    EXPECT_FALSE(settings.TwoPage);
    EXPECT_TRUE(settings.OnePage);
}

TEST_F(PageSetupDialogTest, TheMiniatureShowsTheMarginsAndThePapersProportions) {
    auto inkIn = [](const QImage& image, int x0, int x1) {
        int ink = 0;
        for (int y = 20; y < image.height() - 20; ++y)
            for (int x = x0; x < x1; ++x)
                ink += image.pixel(x, y) != qRgb(255, 255, 255);
        return ink;
    };
    TDlgPageSetup dialog;
    dialog.rbOnePage->click();
    const QImage narrow = dialog.previewImage();
    ASSERT_EQ(narrow.size(), QSize(143, 185)); // letter, 8.5 x 11
    // Half-inch margins: text lines run across the middle of the page.
    EXPECT_GT(inkIn(narrow, 20, 40), 100);
    dialog.runMarginsEditor = [](TPageSetupDialog& editor, QWidget*) {
        editor.MarginLeft = editor.MarginRight = 4000;
        return true;
    };
    dialog.btnSetupMargins->click();
    // Four-inch side margins leave a strip near the edge blank.
    EXPECT_EQ(inkIn(dialog.previewImage(), 20, 40), 0);

    // The chosen paper's proportions, its outline along the image's edges.
    dialog.cbPaper->setCurrentIndex(1);
    EXPECT_EQ(dialog.previewImage().size(), QSize(131, 185)); // A4, 210 x 297 mm
    dialog.cbPaper->setCurrentIndex(2);
    dialog.rbTwoPage->click();
    const QImage legal = dialog.previewImage();
    EXPECT_EQ(legal.size(), QSize(185, 112)); // legal, 8.5 x 14, on its side
    EXPECT_NE(legal.pixel(0, legal.height() / 2), qRgb(255, 255, 255));
    EXPECT_NE(legal.pixel(legal.width() / 2, legal.height() - 1), qRgb(255, 255, 255));
}

// Restore Defaults puts the margins the page setup hands over back into the
// fields; an editor given none has no such button.
TEST_F(PageSetupDialogTest, TheMarginsEditorRestoresTheDefaultMargins) {
    TDlgPageSetup dialog;
    std::vector<int> defaults;
    dialog.runMarginsEditor = [&](TPageSetupDialog& editor, QWidget* owner) {
        defaults = {editor.DefaultLeft, editor.DefaultTop, editor.DefaultRight,
                    editor.DefaultBottom};
        editor.MarginLeft = editor.MarginTop = editor.MarginRight = editor.MarginBottom = 2000;
        bool offered = false;
        setModalRunner([&](QDialog& margins) {
            auto* buttons = margins.findChild<QDialogButtonBox*>();
            QPushButton* restore = buttons->button(QDialogButtonBox::RestoreDefaults);
            offered = restore != nullptr;
            if (restore) restore->click();
            return int(QDialog::Accepted);
        });
        const bool accepted = editor.Execute(owner);
        setModalRunner(nullptr);
        EXPECT_TRUE(offered);
        EXPECT_EQ((std::vector<int>{editor.MarginLeft, editor.MarginTop, editor.MarginRight,
                                    editor.MarginBottom}),
                  defaults);
        return accepted;
    };
    dialog.btnSetupMargins->click();
    ASSERT_EQ(defaults.size(), 4u);
    for (int d : defaults)
        EXPECT_GT(d, 0);

    TPageSetupDialog plain;
    bool offered = true;
    setModalRunner([&](QDialog& margins) {
        offered = margins.findChild<QDialogButtonBox*>()->button(
                      QDialogButtonBox::RestoreDefaults) != nullptr;
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(plain.Execute(nullptr));
    setModalRunner(nullptr);
    EXPECT_FALSE(offered);
}

} // namespace
