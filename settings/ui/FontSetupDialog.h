#pragma once
// The fonts dialog: the five fonts of the listing, each shown in a sample
// field that saves both its text and its font.
#include "settings/ui/SettingsDialog.h"

class TINIEdit;
class TFont;

class TdlgFontSetup : public TSettingsDialog {
    Q_OBJECT
public:
    explicit TdlgFontSetup(QWidget* owner = nullptr);

    // Rows: header, footer, code, function declaration, comments.
    static constexpr int kRows = 5;
    TINIEdit* txtSample[kRows] = {};
    QPushButton* btnFont[kRows] = {};

    // Gives each sample the stored font of its kind (as the listing loads it).
    void loadStoredFonts();
    // The command behind a row's button and a double click on its sample.
    void chooseFont(int row);

protected:
    void saveSettings() override;
    void restoreOwnDefaults() override;
};
