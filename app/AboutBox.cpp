#include "app/AboutBox.h"

#include "widgets/Glyphs.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    auto* picture = new QLabel(this);
    picture->setPixmap(toolGlyph(TToolGlyph::Print, 48).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);

    auto* product = new QLabel(kProductName, this);
    QFont big = product->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(kVersion, this);
    auto* purpose =
        new QLabel(QStringLiteral("Formatted listings of Visual Basic source code."), this);

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(purpose);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addSpacing(12);
    row->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}
