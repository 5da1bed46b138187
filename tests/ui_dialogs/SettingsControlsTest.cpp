// Settings-bound controls: the per-kind rules of loading and saving.
#include "settings/ui/SettingsControls.h"
#include "DialogTestSupport.h"
#include "common/TestSupport.h"
#include "settings/StoredFont.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace {

template <class T> T* address(T* control, const QString& section, const QString& key) {
    control->INISection = section;
    control->INIKeyword = key;
    return control;
}

using SettingsControlsTest = DialogTest;

TEST_F(SettingsControlsTest, TextFieldsKeepTheirDesignUnlessAValueIsStored) {
    TIniFile ini(settingsPath());
    ini.writeString("S", "none", "NONE");
    ini.writeString("S", "set", "stored");
    ini.writeString("S", "mask", "m-stored");

    QDialog dialog;
    auto* missing = address(new TINIEdit(&dialog), "S", "missing");
    auto* none = address(new TINIEdit(&dialog), "S", "none");
    auto* set = address(new TINIEdit(&dialog), "s", "SET");
    auto* mask = address(new TINIMaskEdit(&dialog), "S", "mask");
    auto* maskMissing = address(new TINIMaskEdit(&dialog), "S", "mask2");
    for (QLineEdit* e : std::initializer_list<QLineEdit*>{missing, none, set, mask, maskMissing})
        e->setText("design");
    LoadSettingsControls(&dialog, kSettingsFileName);
    EXPECT_EQ(missing->text(), "design");
    EXPECT_EQ(none->text(), "design") << "\"NONE\" counts as no value";
    EXPECT_EQ(set->text(), "stored");
    EXPECT_EQ(mask->text(), "m-stored");
    EXPECT_EQ(maskMissing->text(), "design");
}

TEST_F(SettingsControlsTest, IndexedChoicesLoadByTheirOwnRules) {
    TIniFile ini(settingsPath());
    ini.writeInteger("S", "group", 2);
    ini.writeInteger("S", "multi", 1);
    ini.writeInteger("S", "single", 2);
    ini.writeString("S", "text", "b");

    QDialog dialog;
    auto* indexed = address(new TINIComboBox(&dialog), "S", "absent");
    indexed->INISaveIndex = true;
    auto* byText = address(new TINIComboBox(&dialog), "S", "text");
    auto* group = address(new TINIRadioGroup("g", {"x", "y", "z"}, &dialog), "S", "group");
    auto* multi = address(new TINIListBox(&dialog), "S", "multi");
    multi->INISaveIndex = true;
    multi->setSelectionMode(QAbstractItemView::MultiSelection);
    auto* single = address(new TINIListBox(&dialog), "S", "single");
    single->INISaveIndex = true;
    auto* unindexed = address(new TINIListBox(&dialog), "S", "single");
    for (QComboBox* c : {indexed, byText}) {
        c->addItems({"a", "b", "c"});
        c->setCurrentIndex(2);
    }
    for (QListWidget* l : {multi, single, unindexed}) {
        l->addItems({"a", "b", "c"});
        l->setCurrentRow(0);
    }
    LoadSettingsControls(&dialog, kSettingsFileName);
    EXPECT_EQ(indexed->currentIndex(), 0) << "no stored index selects the first entry";
    EXPECT_EQ(byText->currentText(), "b");
    EXPECT_EQ(group->itemIndex(), 2);
    EXPECT_EQ(multi->currentRow(), 0) << "multiple selection lists are never loaded";
    EXPECT_EQ(single->currentRow(), 2);
    EXPECT_EQ(unindexed->currentRow(), 0) << "lists without INISaveIndex are never loaded";

    group->setItemIndex(-1);
    indexed->setCurrentIndex(1);
    byText->setCurrentIndex(2);
    single->setCurrentRow(1);
    unindexed->setCurrentRow(1);
    SaveSettingsControls(&dialog, kSettingsFileName);
    const auto entries = iniEntries(settingsPath());
    EXPECT_EQ(entries["S/group"], "-1");
    EXPECT_EQ(entries["S/absent"], "1");
    EXPECT_EQ(entries["S/text"], "c") << "without INISaveIndex the text is stored";
    EXPECT_EQ(entries["S/single"], "1") << "the list without INISaveIndex writes nothing";
}

TEST_F(SettingsControlsTest, SavingFollowsCreationOrderAndSkipsUnaddressedControls) {
    QDialog dialog;
    auto* pageA = new QWidget(&dialog);
    auto* pageB = new QWidget(&dialog);
    // Created in the order 1, 2, 3, 4 but parented out of order.
    auto* first = address(new TINICheckBox("a", pageB), "Walk", "first");
    auto* second = address(new TINISpinEdit(pageA), "Walk", "second");
    auto* third = address(new TINISpeedButton(pageB), "Walk", "third");
    auto* fourth = address(new TINIRadioButton("r", pageA), "Walk", "fourth");
    address(new TINICheckBox("no key", pageA), "Walk", "");
    address(new TINISpinEdit(pageA), "", "nosection");
    auto* folder = address(new TINIOpenDialog(&dialog), "Walk", "folder");
    new QLabel("not bound", pageA);
    first->setChecked(true);
    second->setRange(-5, 5);
    second->setValue(-3);
    third->setChecked(true);
    fourth->setChecked(false);
    folder->InitialDir = "/some/where";
    SaveSettingsControls(&dialog, kSettingsFileName);
    EXPECT_EQ(testsupport::readFile(settingsPath()),
              QByteArray("[Walk]\nfirst=1\nsecond=-3\nthird=1\nfourth=0\nfolder=/some/where\n"));

    // And back.
    first->setChecked(false);
    second->setValue(0);
    third->setChecked(false);
    folder->InitialDir.clear();
    LoadSettingsControls(&dialog, kSettingsFileName);
    EXPECT_TRUE(first->isChecked());
    EXPECT_EQ(second->value(), -3);
    EXPECT_TRUE(third->isChecked());
    EXPECT_EQ(folder->InitialDir, "/some/where");
}

TEST_F(SettingsControlsTest, TextFieldFontGoesToItsOwnSection) {
    QDialog dialog;
    auto* field = address(new TINIEdit(&dialog), "FONTS", "Code");
    field->SaveFontInfo = true;
    field->setText("Code");
    field->setStoredFont(TFont("Courier New", 12, fsBold | fsItalic, rgbColor(10, 20, 30)));
    auto* unnamedSection = new TINIEdit(&dialog);
    unnamedSection->SaveFontInfo = true;
    unnamedSection->setStoredFont(TFont("Arial", 9));
    SaveSettingsControls(&dialog, kSettingsFileName);

    EXPECT_EQ(field->FontSectionName, "FONTFONTSCode") << "kept from then on";
    EXPECT_EQ(unnamedSection->FontSectionName, "FONT");
    auto entries = iniEntries(settingsPath());
    EXPECT_EQ(entries["FONTS/Code"], "Code");
    EXPECT_EQ(entries["FONTFONTSCode/TName"], "Courier New");
    EXPECT_EQ(entries["FONTFONTSCode/TSize"], "12");
    EXPECT_EQ(entries["FONTFONTSCode/TypeBold"], "1");
    EXPECT_EQ(entries["FONTFONTSCode/TypeItalic"], "1");
    EXPECT_EQ(entries["FONTFONTSCode/TypeUnderline"], "0");
    EXPECT_EQ(entries["FONTFONTSCode/TypeColor"], QString::number(rgbColor(10, 20, 30)));
    EXPECT_EQ(entries["FONT/TName"], "Arial") << "the font is saved even without an address";
    EXPECT_FALSE(entries.contains("/")) << "but not the text";

    // Loading: a section with only a face keeps the field's size and style
    // and turns black.
    TIniFile(settingsPath()).writeString("Other", "TName", "Liberation Serif");
    auto* loaded = address(new TINIEdit(&dialog), "FONTS", "Other");
    loaded->SaveFontInfo = true;
    loaded->FontSectionName = "Other";
    loaded->setStoredFont(TFont("Arial", 14, fsUnderline, rgbColor(255, 0, 0)));
    LoadSettingsControls(&dialog, kSettingsFileName);
    EXPECT_EQ(loaded->storedFont(), TFont("Liberation Serif", 14, fsUnderline, clBlack));
    EXPECT_EQ(loaded->font().family(), "Liberation Serif") << "and the field shows it";
    EXPECT_EQ(field->storedFont(),
              TFont("Courier New", 12, fsBold | fsItalic, rgbColor(10, 20, 30)));
}

} // namespace
