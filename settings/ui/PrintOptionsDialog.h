#pragma once
// The formatting options dialog: brackets, shading, spacing, line wrap,
// project information, reports and separators, on six pages.
#include "platform/Colour.h"
#include "settings/ui/SettingsDialog.h"

#include <QImage>

class QLabel;
class QTabWidget;
class TINICheckBox;
class TINIEdit;
class TINIOpenDialog;
class TINIRadioButton;
class TINIRadioGroup;
class TINISpinEdit;

class TdlgPrintOptions : public TSettingsDialog {
    Q_OBJECT
public:
    // sourceFolder receives the project logo "PROJECTLOGO".
    TdlgPrintOptions(const QString& sourceFolder, QWidget* owner = nullptr);

    TColor bracketColor() const { return bracketColor_; }
    bool logoChanged() const { return logoChanged_; }

    QTabWidget* tabs = nullptr;
    // Brackets
    TINICheckBox* cbBracketAll = nullptr;
    TINICheckBox* cbDo = nullptr;
    TINICheckBox* cbWhile = nullptr;
    TINICheckBox* cbFor = nullptr;
    TINICheckBox* cbIf = nullptr;
    TINICheckBox* cbSelect = nullptr;
    TINICheckBox* cbIfElse = nullptr;
    TINISpinEdit* seInitIndent = nullptr;
    TINISpinEdit* seNestedIndent = nullptr;
    TINICheckBox* cbMultiColor = nullptr;
    QPushButton* btnBracketColor = nullptr;
    QLabel* shpBracketColor = nullptr;
    // General
    TINICheckBox* cbShadeEmulation = nullptr;
    TINISpinEdit* seShadeHeight = nullptr;
    TINICheckBox* cbShadowEnabled = nullptr;
    TINICheckBox* cbLineNumbers = nullptr;
    TINICheckBox* cbBoldKeywords = nullptr;
    TINICheckBox* cbCallers = nullptr;
    TINISpinEdit* seFrequency = nullptr;
    TINIEdit* txtCommentDelimiter = nullptr;
    TINISpinEdit* seTabsToSpaces = nullptr;
    TINISpinEdit* seSBL = nullptr;
    // Line Wrap: choice 0 is the text, 1 to 5 the pictures.
    TINIEdit* txtNextLineInd = nullptr;
    TINIRadioButton* rbIndicator[6] = {};
    TINICheckBox* cbSmartIndent = nullptr;
    // Project Information
    TINIEdit* txtProjectName = nullptr;
    TINIEdit* txtClientName = nullptr;
    TINIEdit* txtProducedBy = nullptr;
    TINIEdit* txtWatermark = nullptr;
    QPushButton* btnLoadLogo = nullptr;
    QLabel* imgLogo = nullptr;
    // Reports
    TINICheckBox* cbTitlePage = nullptr;
    TINICheckBox* cbTOC = nullptr;
    TINICheckBox* cbFunctionIndex = nullptr;
    TINICheckBox* cbXref = nullptr;
    // Separators
    TINIRadioGroup* rgFileSep = nullptr;
    TINIRadioGroup* rgFunctionSep = nullptr;
    TINIRadioGroup* rgScreenSep = nullptr;
    TINIOpenDialog* dlgLogo = nullptr;

    // The commands behind "Bracket Color ..." and "Load ...".
    void chooseBracketColor();
    void loadLogo();

protected:
    void saveSettings() override;
    void restoreOwnDefaults() override;

private:
    QWidget* bracketsPage();
    QWidget* generalPage();
    QWidget* lineWrapPage();
    QWidget* projectPage();
    QWidget* reportsPage();
    QWidget* separatorsPage();
    void connectInterlocks();
    void showBracketColor();

    QString sourceFolder_;
    TColor bracketColor_ = clBlack;
    bool logoChanged_ = false;
    QImage logo_;
};
