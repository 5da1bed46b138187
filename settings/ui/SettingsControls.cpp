#include "settings/ui/SettingsControls.h"

#include "format/ListingSettings.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "platform/TextMeasurer.h"
#include "settings/StoredFont.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPalette>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace {
quint64 nextSerial = 0;
const QString kNone = QStringLiteral("NONE");

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Any number but 0 is true, as the settings file reads flags.
bool textFlag(const QString& value) {
    return value.trimmed().toInt() != 0;
}
} // namespace

TINIBound::TINIBound() : serial_(++nextSerial) {}

// --- text fields ------------------------------------------------------------

TINIEdit::TINIEdit(QWidget* parent) : QLineEdit(parent) {}

void TINIEdit::setStoredFont(const TFont& font) {
    font_ = font;
    QFont shown(font.name());
    shown.setPointSize(qMax(1, font.size()));
    shown.setBold(font.bold());
    shown.setItalic(font.italic());
    shown.setUnderline(font.underline());
    shown.setStrikeOut(font.strikeOut());
    setFont(shown);
    // The sample shows the font as it prints: its colour on white paper,
    // whatever the desktop's palette (black ink vanishes on a dark one).
    QPalette p = palette();
    p.setColor(QPalette::Text, toQColor(font.color()));
    p.setColor(QPalette::Base, Qt::white);
    setPalette(p);
}

void TINIEdit::fillFontSectionName() {
    if (FontSectionName.isEmpty())
        FontSectionName = QStringLiteral("FONT") + INISection + INIKeyword;
}

void TINIEdit::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeString(INISection, INIKeyword, text());
    if (SaveFontInfo) {
        fillFontSectionName();
        TFontSave(font_).Save(ini, FontSectionName);
    }
}

void TINIEdit::loadFrom(const TIniFile& ini) {
    const QString stored = ini.readString(INISection, INIKeyword, kNone);
    if (stored != kNone) setText(stored);
    fillFontSectionName();
    if (SaveFontInfo)
        setStoredFont(
            TRWFont(ini.fileName(), FontSectionName, font_.name(), font_.size(), font_.style()));
}

QString TINIEdit::valueText() const {
    return text();
}

void TINIEdit::setValueText(const QString& value) {
    setText(value);
}

void TINIEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void TINIMaskEdit::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeString(INISection, INIKeyword, text());
}

void TINIMaskEdit::loadFrom(const TIniFile& ini) {
    setText(ini.readString(INISection, INIKeyword, text()));
}

QString TINIMaskEdit::valueText() const {
    return text();
}

void TINIMaskEdit::setValueText(const QString& value) {
    setText(value);
}

// --- booleans ---------------------------------------------------------------

void TINICheckBox::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeBool(INISection, INIKeyword, isChecked());
}

void TINICheckBox::loadFrom(const TIniFile& ini) {
    setChecked(ini.readBool(INISection, INIKeyword, isChecked()));
}

QString TINICheckBox::valueText() const {
    return flagText(isChecked());
}

void TINICheckBox::setValueText(const QString& value) {
    setChecked(textFlag(value));
}

void TINIRadioButton::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeBool(INISection, INIKeyword, isChecked());
}

void TINIRadioButton::loadFrom(const TIniFile& ini) {
    // Unchecking the checked radio of an exclusive group is refused by Qt;
    // only a stored true moves the choice, and the group keeps one checked.
    const bool value = ini.readBool(INISection, INIKeyword, isChecked());
    if (value) setChecked(true);
}

QString TINIRadioButton::valueText() const {
    return flagText(isChecked());
}

void TINIRadioButton::setValueText(const QString& value) {
    // As in loading: the checked one of the group moves the choice.
    if (textFlag(value)) setChecked(true);
}

TINISpeedButton::TINISpeedButton(QWidget* parent) : QToolButton(parent) {
    setCheckable(true);
}

void TINISpeedButton::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeBool(INISection, INIKeyword, isChecked());
}

void TINISpeedButton::loadFrom(const TIniFile& ini) {
    setChecked(ini.readBool(INISection, INIKeyword, isChecked()));
}

QString TINISpeedButton::valueText() const {
    return flagText(isChecked());
}

void TINISpeedButton::setValueText(const QString& value) {
    setChecked(textFlag(value));
}

// --- numbers and choices ----------------------------------------------------

void TINISpinEdit::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeInteger(INISection, INIKeyword, value());
}

void TINISpinEdit::loadFrom(const TIniFile& ini) {
    setValue(ini.readInteger(INISection, INIKeyword, value()));
}

QString TINISpinEdit::valueText() const {
    return QString::number(value());
}

void TINISpinEdit::setValueText(const QString& value) {
    setValue(value.toInt());
}

TINIRadioGroup::TINIRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        group_->addButton(b, i);
        buttons_ << b;
        layout->addWidget(b);
    }
    layout->addStretch();
}

int TINIRadioGroup::itemIndex() const {
    return group_->checkedId();
}

void TINIRadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);
        return;
    }
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_)
        b->setChecked(false);
    group_->setExclusive(true);
}

QRadioButton* TINIRadioGroup::button(int index) const {
    return buttons_.value(index);
}

void TINIRadioGroup::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeInteger(INISection, INIKeyword, itemIndex());
}

void TINIRadioGroup::loadFrom(const TIniFile& ini) {
    setItemIndex(ini.readInteger(INISection, INIKeyword, itemIndex()));
}

QString TINIRadioGroup::valueText() const {
    return QString::number(itemIndex());
}

void TINIRadioGroup::setValueText(const QString& value) {
    setItemIndex(value.toInt());
}

void TINIComboBox::saveTo(TIniFile& ini) {
    if (!addressed()) return;
    if (INISaveIndex)
        ini.writeInteger(INISection, INIKeyword, currentIndex());
    else
        ini.writeString(INISection, INIKeyword, currentText());
}

void TINIComboBox::loadFrom(const TIniFile& ini) {
    if (INISaveIndex) {
        // A stored index outside the list selects nothing rather than failing.
        const int index = ini.readInteger(INISection, INIKeyword, 0);
        setCurrentIndex(index >= 0 && index < count() ? index : -1);
    } else {
        const QString text = ini.readString(INISection, INIKeyword, currentText());
        const int at = findText(text);
        if (at >= 0)
            setCurrentIndex(at);
        else if (isEditable())
            setEditText(text);
    }
}

QString TINIComboBox::valueText() const {
    return INISaveIndex ? QString::number(currentIndex()) : currentText();
}

void TINIComboBox::setValueText(const QString& value) {
    if (INISaveIndex) {
        const int index = value.toInt();
        setCurrentIndex(index >= 0 && index < count() ? index : -1);
    } else if (const int at = findText(value); at >= 0) {
        setCurrentIndex(at);
    } else if (isEditable()) {
        setEditText(value);
    }
}

void TINIListBox::saveTo(TIniFile& ini) {
    if (addressed() && INISaveIndex) ini.writeInteger(INISection, INIKeyword, currentRow());
}

void TINIListBox::loadFrom(const TIniFile& ini) {
    if (selectionMode() != QAbstractItemView::SingleSelection || !INISaveIndex) return;
    const int row = ini.readInteger(INISection, INIKeyword, -1);
    setCurrentRow(row >= 0 && row < count() ? row : -1);
}

QString TINIListBox::valueText() const {
    return QString::number(currentRow());
}

void TINIListBox::setValueText(const QString& value) {
    const int row = value.toInt();
    setCurrentRow(row >= 0 && row < count() ? row : -1);
}

// --- the file-open dialog ---------------------------------------------------

QString TINIOpenDialog::execute() {
    TFileDialogRequest request;
    request.Title = Title;
    request.Filter = Filter;
    request.InitialDir = InitialDir;
    request.DefaultExt = DefaultExt;
    const auto result = fileDialogs().openFile(request);
    if (!result) return {};
    InitialDir = QFileInfo(result->FileName).absolutePath();
    return result->FileName;
}

void TINIOpenDialog::saveTo(TIniFile& ini) {
    if (addressed()) ini.writeString(INISection, INIKeyword, InitialDir);
}

void TINIOpenDialog::loadFrom(const TIniFile& ini) {
    if (addressed()) InitialDir = ini.readString(INISection, INIKeyword, QString());
}

QString TINIOpenDialog::valueText() const {
    return InitialDir;
}

void TINIOpenDialog::setValueText(const QString& value) {
    InitialDir = value;
}

// --- the walks --------------------------------------------------------------

namespace {

std::vector<TINIBound*> boundControls(QObject* dialog) {
    std::vector<TINIBound*> controls;
    for (QObject* child : dialog->findChildren<QObject*>())
        if (auto* bound = dynamic_cast<TINIBound*>(child)) controls.push_back(bound);
    std::sort(controls.begin(), controls.end(), [](const TINIBound* a, const TINIBound* b) {
        return a->creationSerial() < b->creationSerial();
    });
    return controls;
}

} // namespace

void SaveSettingsControls(QObject* dialog, TIniFile& ini) {
    for (TINIBound* control : boundControls(dialog))
        control->saveTo(ini);
}

void SaveSettingsControls(QObject* dialog, const QString& fileName) {
    TIniFile ini(fileName);
    ini.beginBatch();
    SaveSettingsControls(dialog, ini);
    ini.commitBatch();
}

void LoadSettingsControls(QObject* dialog, const QString& fileName) {
    const TIniFile ini(fileName);
    for (TINIBound* control : boundControls(dialog))
        control->loadFrom(ini);
}

void ShowListingDefaults(QObject* dialog) {
    for (TINIBound* control : boundControls(dialog)) {
        if (const auto value = listingSettingDefault(control->INISection, control->INIKeyword))
            control->setValueText(*value);
    }
}

TControlValues ControlValues(QObject* dialog) {
    TControlValues values;
    // Only what the user sees: a file dialog's remembered folder is no
    // setting to restore.
    for (TINIBound* control : boundControls(dialog))
        if (dynamic_cast<QWidget*>(control)) values.emplace_back(control, control->valueText());
    return values;
}

void RestoreControlValues(const TControlValues& values) {
    for (const auto& [control, value] : values) {
        auto* object = dynamic_cast<QObject*>(control);
        const QSignalBlocker quiet(object);
        control->setValueText(value);
    }
}
