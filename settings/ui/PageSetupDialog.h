#pragma once
// The page setup dialog (page layout, header and footer templates, units,
// margins, a miniature of the page) and the margins editor it opens.
#include "render/VirtCanvas.h"
#include "settings/PageSetupMath.h"
#include "settings/ui/SettingsControls.h"
#include "settings/ui/SettingsDialog.h"

#include <QLabel>
#include <QPointer>
#include <functional>

class QDoubleSpinBox;
class QMimeData;
class QTabWidget;

// Options of the margins editor (a set of flags). The two unit options
// exclude each other, as do the default and the given minimum margins.
enum TPageSetupOption : unsigned {
    psoDefaultMinMargins = 1u << 0,
    psoDisableMargins = 1u << 1,
    psoMargins = 1u << 2,
    psoMinMargins = 1u << 3,
    psoDisableOrientation = 1u << 4,
    psoDisablePaper = 1u << 5,
    psoDisablePrinter = 1u << 6,
    psoHundredthsOfMillimeters = 1u << 7,
    psoThousandthsOfInches = 1u << 8,
};
using TPageSetupOptions = unsigned;

// The margins editor: four margins of a letter page in thousandths of an
// inch or hundredths of a millimetre, as the options say.
class TPageSetupDialog : public QObject {
    Q_OBJECT
public:
    explicit TPageSetupDialog(QObject* parent = nullptr);

    TPageSetupOptions Options() const { return options_; }
    // Keeps the exclusions: a unit option drops the other, a minimum option
    // drops the other.
    void setOptions(TPageSetupOptions options);

    int MarginLeft = 500, MarginTop = 500, MarginRight = 500, MarginBottom = 500;
    int MinMarginLeft = 400, MinMarginTop = 400, MinMarginRight = 400, MinMarginBottom = 400;
    // What Restore Defaults puts into the fields; negative: no such button.
    int DefaultLeft = -1, DefaultTop = -1, DefaultRight = -1, DefaultBottom = -1;
    // Letter paper in the current unit.
    int PaperWidth() const;
    int PaperLength() const;
    bool millimetres() const { return options_ & psoHundredthsOfMillimeters; }

    // Runs the editor modally over owner; true when the user accepted.
    bool Execute(QWidget* owner);

private:
    TPageSetupOptions options_ = psoMargins | psoMinMargins | psoThousandthsOfInches;
};

// A variable of the header/footer templates, dragged onto a template field.
class TVariablePanel : public QLabel {
    Q_OBJECT
public:
    TVariablePanel(const QString& caption, QWidget* parent = nullptr);
    static QString mimeType();
    // What dragging the panel carries: its caption under mimeType().
    QMimeData* createMimeData() const;

signals:
    void doubleClicked(const QString& caption);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A template field that accepts dropped variable panels (and nothing else
// by drag and drop).
class TTemplateEdit : public TINIEdit {
    Q_OBJECT
public:
    using TINIEdit::TINIEdit;
    // Inserts the variable of a panel's caption at the cursor.
    void insertVariable(const QString& panelCaption);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

class TDlgPageSetup : public TSettingsDialog {
    Q_OBJECT
public:
    explicit TDlgPageSetup(QWidget* owner = nullptr);

    QTabWidget* tabs = nullptr;
    TINIRadioButton* rbOnePage = nullptr;
    TINIRadioButton* rbTwoPage = nullptr;
    TINIComboBox* cbPageNumType = nullptr;
    // The paper the listing is laid out on (PAGELAYOUT/Paper, an index).
    TINIComboBox* cbPaper = nullptr;
    QRadioButton* rbInches = nullptr;
    QRadioButton* rbMillimetres = nullptr;
    QPushButton* btnSetupMargins = nullptr;
    QLabel* imgPreview = nullptr;
    TTemplateEdit* txtHeader = nullptr;
    TTemplateEdit* txtFooter = nullptr;
    TVariablePanel* pnlVariables[4] = {};

    // Held margins, tenths of an inch.
    const RMargins& margins() const { return margins_; }
    int units() const;
    const QImage& previewImage() const { return preview_; }

    // Runs the margins editor; tests replace it to script the answer.
    std::function<bool(TPageSetupDialog&, QWidget* owner)> runMarginsEditor;

    // The command behind "Setup Margins...".
    void setupMargins();
    // Reads the stored page setup into the dialog (done when it opens).
    void loadPageSetup();

protected:
    void saveSettings() override;
    void restoreOwnDefaults() override;

private:
    QWidget* layoutPage();
    QWidget* headerFooterPage();
    void drawPreview();

    // Always tenths of an inch; the units only change what the editor shows.
    RMargins margins_;
    QPointer<TTemplateEdit> lastTemplate_;
    // The formatter's margins as read (hundredths of an inch).
    RMargins printedMargins_{50, 50, 50, 50};
    TVirtCanvas canvas_;
    QImage preview_;
};
