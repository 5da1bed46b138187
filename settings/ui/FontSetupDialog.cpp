#include "settings/ui/FontSetupDialog.h"

#include "format/ListingSettings.h"
#include "format/TextRoutines.h"
#include "platform/Dialogs.h"
#include "platform/HelpBook.h"
#include "platform/IniFile.h"
#include "settings/StoredFont.h"
#include "settings/ui/SettingsControls.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = helpcontext::Fonts;

struct RFontRow {
    const char* label;
    const char* key;
    const char* section;
};

constexpr RFontRow kRowsInfo[TdlgFontSetup::kRows] = {
    {"Header", "Header", "Header"},     {"Footer", "Footer", "Footer"},
    {"Code", "Code", "Code"},           {"Function Declaration", "Functions", "Functions"},
    {"Comments", "Comment", "Comment"},
};

QString sampleText(int row) {
    const QString fileName = QStringLiteral("FileName");
    const QString procName = QStringLiteral("Sub Name");
    switch (row) {
    case 0:
        return ExpandHeaderText(QStringLiteral("%s - %d"), fileName, procName, 1, TodayShortDate());
    case 1:
        return ExpandHeaderText(QStringLiteral("Page %p"), fileName, procName, 1, TodayShortDate());
    case 2:
        return QStringLiteral("Code");
    case 3:
        return QStringLiteral("Functions");
    default:
        return QStringLiteral("Comments");
    }
}

// The row's font from the settings file at path, with the formatter's
// default face and size where the file has none.
TRWFont rowFont(const QString& path, int row) {
    const QString section = QLatin1String(kRowsInfo[row].section);
    const QString face =
        listingSettingDefault(section, QStringLiteral("TName")).value_or(QStringLiteral("arial"));
    const int size = listingSettingDefault(section, QStringLiteral("TSize"))
                         .value_or(QStringLiteral("10"))
                         .toInt();
    return TRWFont(path, section, face, size, 0);
}

} // namespace

TdlgFontSetup::TdlgFontSetup(QWidget* owner)
    : TSettingsDialog(QStringLiteral("Listora - Fonts Setup"), kHelpContext, owner) {
    auto* group = new QGroupBox(QStringLiteral("Font Selections"), this);
    auto* grid = new QGridLayout(group);
    for (int row = 0; row < kRows; ++row) {
        const RFontRow& info = kRowsInfo[row];
        auto* label = new QLabel(QLatin1String(info.label), group);
        txtSample[row] = new TINIEdit(group);
        txtSample[row]->INISection = QStringLiteral("FONTS");
        txtSample[row]->INIKeyword = QLatin1String(info.key);
        txtSample[row]->SaveFontInfo = true;
        txtSample[row]->FontSectionName = QLatin1String(info.section);
        txtSample[row]->setText(sampleText(row));
        txtSample[row]->setReadOnly(true);
        txtSample[row]->setMinimumWidth(260);
        txtSample[row]->setMinimumHeight(36);
        btnFont[row] = new QPushButton(QStringLiteral("Font..."), group);
        connect(btnFont[row], &QPushButton::clicked, this, [this, row] { chooseFont(row); });
        connect(txtSample[row], &TINIEdit::doubleClicked, this, [this, row] { chooseFont(row); });
        grid->addWidget(label, row, 0);
        grid->addWidget(txtSample[row], row, 1);
        grid->addWidget(btnFont[row], row, 2);
    }
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttonBox());
    takeListingDefaults();
    loadStoredFonts();
}

void TdlgFontSetup::loadStoredFonts() {
    const QString path = TIniFile(kSettingsFileName).fileName();
    for (int row = 0; row < kRows; ++row)
        txtSample[row]->setStoredFont(rowFont(path, row));
}

void TdlgFontSetup::restoreOwnDefaults() {
    // No file: every row gets the font the listing uses without one.
    for (int row = 0; row < kRows; ++row)
        txtSample[row]->setStoredFont(rowFont(QString(), row));
}

void TdlgFontSetup::chooseFont(int row) {
    if (const auto chosen = chooserDialogs().chooseFont(txtSample[row]->storedFont()))
        txtSample[row]->setStoredFont(*chosen);
}

void TdlgFontSetup::saveSettings() {
    SaveSettingsControls(this, kSettingsFileName);
}
