// The formatting options dialog: design values, what OK writes, the
// interlocks, Cancel, the colour chooser and the project logo.
#include "settings/ui/PrintOptionsDialog.h"
#include "DialogTestSupport.h"
#include "common/TestSupport.h"
#include "settings/ui/SettingsControls.h"

#include <QImage>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

namespace {

using PrintOptionsDialogTest = DialogTest;

TEST_F(PrintOptionsDialogTest, WithoutSettingsOkWritesTheListingsDefaults) {
    QTemporaryDir folder;
    TdlgPrintOptions dialog(folder.path());
    QStringList tabs;
    for (int i = 0; i < dialog.tabs->count(); ++i)
        tabs << dialog.tabs->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Brackets", "General", "Line Wrap", "Project Information",
                                 "Reports", "Separators"}));
    EXPECT_EQ(dialog.windowTitle(), "Listora - Formatting Options");
    dialog.btnOK->click();
    EXPECT_TRUE(dialog.OK);

    // What the listing uses without a settings file; only the keys that do
    // not reach the listing keep the dialog's own design values.
    const QMap<QString, QString> expected = {
        {"BRACKETS/BracketAll", "1"},
        {"BRACKETS/Do", "1"},
        {"BRACKETS/While", "1"},
        {"BRACKETS/For", "1"},
        {"BRACKETS/If", "1"},
        {"BRACKETS/Select", "1"},
        {"BRACKETS/IfElse", "1"},
        {"BRACKETS/INITINDENT", "2"},
        {"BRACKETS/NestedIndent", "3"},
        {"BRACKETS/MultiColor", "1"},
        {"BRACKETS/COLOR", "0"},
        {"GENERAL/ShadeBoxEmulation", "0"},
        {"GENERAL/ShadeBoxHeight", "2"},
        {"SHADOWTHRESHOLD/ENABLED", "1"},
        {"SHADOWTHRESHOLD/FREQUENCY", "2"},
        {"GENERAL/COMMENT DELIMITER", "*"},
        {"GENERAL/TabsToSpaces", "3"},
        {"GENERAL/SBL", "3"},
        {"GENERAL/LineNumbers", "0"},
        {"GENERAL/KeywordEmphasis", "0"},
        {"GENERAL/NextLineInd", "=>"},
        {"GENERAL/NLIPicture0", "1"},
        {"GENERAL/NLIPicture1", "0"},
        {"GENERAL/NLIPicture2", "0"},
        {"GENERAL/NLIPicture3", "0"},
        {"GENERAL/NLIPicture4", "0"},
        {"GENERAL/NLIPicture5", "0"},
        {"GENERAL/IndentContinuedLines", "1"},
        {"GENERAL/RectIndent", "32"},
        {"PROJECT INFO/Project Name", "The Project"},
        {"PROJECT INFO/Client Name", "Client Name"},
        {"PROJECT INFO/Produced By", "Company Name"},
        {"PROJECT INFO/Watermark", ""},
        {"REPORTS/TitlePage", "0"},
        {"REPORTS/TOC", "0"},
        {"REPORTS/FunctionIndex", "0"},
        {"REPORTS/Xref", "0"},
        {"GENERAL/FileSep", "2"},
        {"GENERAL/FUNCTIONSep", "2"},
        {"GENERAL/ScreenSep", "1"},
        {"FileDialog/ListoraOptions", ""},
    };
    EXPECT_EQ(iniEntries(settingsPath()), expected);
    EXPECT_FALSE(QFile::exists(folder.filePath("PROJECTLOGO")));
}

TEST_F(PrintOptionsDialogTest, StoredValuesAreShownAndLimitsHold) {
    TIniFile ini(settingsPath());
    ini.writeInteger("brackets", "nestedindent", 9);
    ini.writeInteger("general", "sbl", -2);
    ini.writeBool("general", "nlipicture3", false);
    ini.writeBool("general", "nlipicture5", true);
    ini.writeInteger("general", "functionsep", 3);
    ini.writeString("project info", "watermark", "DRAFT");
    ini.writeInteger("brackets", "color", rgbColor(0, 0, 255));
    TdlgPrintOptions dialog({});
    EXPECT_EQ(dialog.seNestedIndent->value(), 5) << "held to its limits";
    // The spacing the listing accepts, no less: a stored -2 shows as 0.
    EXPECT_EQ(dialog.seSBL->value(), 0);
    EXPECT_EQ(dialog.seSBL->minimum(), 0);
    EXPECT_EQ(dialog.seSBL->maximum(), 96);
    EXPECT_TRUE(dialog.rbIndicator[5]->isChecked());
    EXPECT_FALSE(dialog.rbIndicator[3]->isChecked());
    EXPECT_EQ(dialog.rgFunctionSep->itemIndex(), 3);
    EXPECT_EQ(dialog.txtWatermark->text(), "DRAFT");
    EXPECT_EQ(dialog.bracketColor(), rgbColor(0, 0, 255));
    EXPECT_EQ(dialog.txtCommentDelimiter->maxLength(), 1);
    EXPECT_EQ(dialog.txtNextLineInd->maxLength(), 5);
    EXPECT_EQ(dialog.txtWatermark->maxLength(), 30);
    EXPECT_EQ(dialog.seFrequency->minimum(), 1);
    EXPECT_EQ(dialog.seInitIndent->maximum(), 8);
}

TEST_F(PrintOptionsDialogTest, BracketAndShadeInterlocks) {
    TdlgPrintOptions dialog({});
    TINICheckBox* six[] = {dialog.cbIf,  dialog.cbIfElse, dialog.cbSelect,
                           dialog.cbFor, dialog.cbDo,     dialog.cbWhile};
    dialog.cbDo->click();
    EXPECT_FALSE(dialog.cbBracketAll->isChecked());
    for (TINICheckBox* box : six)
        EXPECT_EQ(box->isChecked(), box != dialog.cbDo) << box->text().toStdString();
    dialog.cbDo->click();
    EXPECT_TRUE(dialog.cbBracketAll->isChecked()) << "all six checked again";

    dialog.cbIf->click();
    dialog.cbFor->click();
    dialog.cbBracketAll->click();
    for (TINICheckBox* box : six)
        EXPECT_TRUE(box->isChecked()) << box->text().toStdString();
    EXPECT_TRUE(dialog.cbBracketAll->isChecked());

    // The shade height and the emulation switch follow each other.
    dialog.seShadeHeight->setValue(0);
    EXPECT_FALSE(dialog.cbShadeEmulation->isChecked());
    dialog.cbShadeEmulation->click();
    EXPECT_EQ(dialog.seShadeHeight->value(), 1) << "emulation cannot run with height 0";
    dialog.seShadeHeight->setValue(0);
    EXPECT_FALSE(dialog.cbShadeEmulation->isChecked());
    dialog.seShadeHeight->setValue(3);
    EXPECT_TRUE(dialog.cbShadeEmulation->isChecked());

    // Typing an indicator text chooses the text indicator.
    dialog.txtNextLineInd->setFocus();
    dialog.txtNextLineInd->selectAll();
    dialog.txtNextLineInd->insert("~>");
    EXPECT_TRUE(dialog.rbIndicator[0]->isChecked());
    dialog.btnOK->click();
    const auto entries = iniEntries(settingsPath());
    int on = 0;
    for (int i = 0; i < 6; ++i)
        on += entries["GENERAL/NLIPicture" + QString::number(i)] == "1";
    EXPECT_EQ(on, 1);
    EXPECT_EQ(entries["GENERAL/NLIPicture0"], "1");
    EXPECT_EQ(entries["GENERAL/NextLineInd"], "~>");
    EXPECT_EQ(entries["GENERAL/ShadeBoxHeight"], "3");
    EXPECT_EQ(entries["GENERAL/ShadeBoxEmulation"], "1");
}

TEST_F(PrintOptionsDialogTest, CancelWritesNothingEvenAfterChanges) {
    QTemporaryDir folder;
    const QString logoFile = folder.filePath("PROJECTLOGO");
    const QByteArray oldLogo = "old logo bytes";
    testsupport::writeFile(logoFile, oldLogo);
    const QByteArray settings = "; mine\r\n[BRACKETS]\r\nDo=1\r\n";
    testsupport::writeFile(settingsPath(), settings);

    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(folder.filePath("logo.bmp"), "BMP"));
    files.answer = TFileDialogResult{folder.filePath("logo.bmp"), 1};
    choosers.colors.push_back(rgbColor(1, 2, 3));

    TdlgPrintOptions dialog(folder.path());
    dialog.cbBracketAll->click();
    dialog.txtProjectName->setText("Changed");
    dialog.btnBracketColor->click();
    dialog.btnLoadLogo->click();
    EXPECT_TRUE(dialog.logoChanged());
    dialog.btnCancel->click();
    EXPECT_FALSE(dialog.OK);
    EXPECT_EQ(testsupport::readFile(settingsPath()), settings);
    EXPECT_EQ(testsupport::readFile(logoFile), oldLogo);
}

TEST_F(PrintOptionsDialogTest, ColourAndLogoAreWrittenOnOk) {
    QTemporaryDir folder;
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(folder.filePath("logo.bmp"), "BMP"));
    choosers.colors = {std::nullopt, rgbColor(200, 100, 50)};

    TdlgPrintOptions dialog(folder.path() + "/");
    dialog.btnBracketColor->click();
    EXPECT_EQ(dialog.bracketColor(), clBlack) << "a cancelled chooser changes nothing";
    dialog.btnBracketColor->click();
    EXPECT_EQ(choosers.colorPresets, (std::vector<TColor>{clBlack, clBlack}));
    EXPECT_EQ(dialog.bracketColor(), rgbColor(200, 100, 50));

    dialog.btnLoadLogo->click(); // cancelled: no file
    EXPECT_FALSE(dialog.logoChanged());
    files.answer = TFileDialogResult{folder.filePath("logo.bmp"), 1};
    dialog.btnLoadLogo->click();
    ASSERT_EQ(files.requests.size(), 2u);
    EXPECT_EQ(files.requests[1].Filter, "Bitmap Files|*.BMP");
    EXPECT_EQ(files.requests[1].DefaultExt, "BMP");
    dialog.btnOK->click();

    const auto entries = iniEntries(settingsPath());
    EXPECT_EQ(entries["BRACKETS/COLOR"], QString::number(rgbColor(200, 100, 50)));
    EXPECT_EQ(entries["FileDialog/ListoraOptions"], folder.path()) << "the folder is remembered";
    const QImage saved(folder.filePath("PROJECTLOGO"), "BMP");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(20, 10));
    EXPECT_EQ(saved.pixelColor(5, 5), QColor(Qt::blue));

    // The next opening starts in the remembered folder.
    TdlgPrintOptions again(folder.path());
    files.answer.reset();
    again.btnLoadLogo->click();
    EXPECT_EQ(files.requests.back().InitialDir, folder.path());
}

TEST_F(PrintOptionsDialogTest, ABrokenPictureIsRefusedAndTheLogoStaysUnchanged) {
    QTemporaryDir folder;
    testsupport::writeFile(folder.filePath("bad.bmp"), "not a picture");
    files.answer = TFileDialogResult{folder.filePath("bad.bmp"), 1};
    TdlgPrintOptions dialog(folder.path());
    dialog.btnLoadLogo->click();
    EXPECT_FALSE(dialog.logoChanged());
    dialog.btnOK->click();
    EXPECT_FALSE(QFile::exists(folder.filePath("PROJECTLOGO")));
}

} // namespace
