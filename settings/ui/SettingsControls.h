#pragma once
// Input controls that carry the address of their value in the settings
// file (a section and a key), and the two routines that copy every such
// control of a dialog to the file and back.
#include "platform/Font.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>

#include <utility>
#include <vector>

class QButtonGroup;
class TIniFile;

// What every settings-bound control carries. The serial number keeps the
// creation order, which the save and load walks follow whatever the
// widgets' parents are.
class TINIBound {
public:
    TINIBound();
    virtual ~TINIBound() = default;

    QString INISection;
    QString INIKeyword;

    quint64 creationSerial() const { return serial_; }
    bool addressed() const { return !INISection.isEmpty() && !INIKeyword.isEmpty(); }

    virtual void saveTo(TIniFile& ini) = 0;
    virtual void loadFrom(const TIniFile& ini) = 0;
    // The value as the settings file holds it ("1"/"0" for a flag, an
    // index for a choice), and back.
    virtual QString valueText() const = 0;
    virtual void setValueText(const QString& value) = 0;

private:
    quint64 serial_;
};

class TINIEdit : public QLineEdit, public TINIBound {
    Q_OBJECT
public:
    explicit TINIEdit(QWidget* parent = nullptr);

    bool SaveFontInfo = false;
    QString FontSectionName;

    // The field's font, kept whole (colour included) for saving.
    const TFont& storedFont() const { return font_; }
    void setStoredFont(const TFont& font);

    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void fillFontSectionName();
    TFont font_;
};

class TINIMaskEdit : public QLineEdit, public TINIBound {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

class TINICheckBox : public QCheckBox, public TINIBound {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

class TINIRadioButton : public QRadioButton, public TINIBound {
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

// A toggle button; its "down" state is the checked state.
class TINISpeedButton : public QToolButton, public TINIBound {
    Q_OBJECT
public:
    explicit TINISpeedButton(QWidget* parent = nullptr);
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

class TINISpinEdit : public QSpinBox, public TINIBound {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

// A framed group of radio buttons stored as the index of the chosen one.
class TINIRadioGroup : public QGroupBox, public TINIBound {
    Q_OBJECT
public:
    TINIRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);
    int itemIndex() const;
    // -1 (or any index outside the items) selects none.
    void setItemIndex(int index);
    QRadioButton* button(int index) const;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;

private:
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
};

class TINIComboBox : public QComboBox, public TINIBound {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    bool INISaveIndex = false;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

class TINIListBox : public QListWidget, public TINIBound {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    bool INISaveIndex = false;
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

// A file-open dialog whose remembered folder is the stored value.
class TINIOpenDialog : public QObject, public TINIBound {
    Q_OBJECT
public:
    using QObject::QObject;
    QString InitialDir;
    QString Filter;
    QString DefaultExt;
    QString Title;
    // Runs the file chooser; an accepted file's folder becomes InitialDir.
    // Empty when the user cancels.
    QString execute();
    void saveTo(TIniFile& ini) override;
    void loadFrom(const TIniFile& ini) override;
    QString valueText() const override;
    void setValueText(const QString& value) override;
};

// Writes every settings-bound control of dialog to fileName, in creation
// order, as one replace of the file.
void SaveSettingsControls(QObject* dialog, const QString& fileName);
// The same into an open settings file, so a dialog can add its own keys to
// the same batch of writes.
void SaveSettingsControls(QObject* dialog, TIniFile& ini);
// Reads every settings-bound control of dialog from fileName.
void LoadSettingsControls(QObject* dialog, const QString& fileName);

// Gives every settings-bound control of dialog whose key the formatter reads
// the value the formatter takes when the file holds none, so that a dialog
// opened on a missing key shows what the listing really uses.
void ShowListingDefaults(QObject* dialog);

// The values of a dialog's settings-bound controls, to be put back later
// (Restore Defaults puts back those taken before the file was read).
using TControlValues = std::vector<std::pair<TINIBound*, QString>>;
TControlValues ControlValues(QObject* dialog);
// Puts the values back without running the dialog's interlocks.
void RestoreControlValues(const TControlValues& values);
