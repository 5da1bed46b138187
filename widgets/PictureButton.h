#pragma once
// A toolbar button that shows one picture and a hint.
#include "widgets/Glyphs.h"

#include <QToolButton>

class TPictureButton : public QToolButton {
    Q_OBJECT
public:
    TPictureButton(TToolGlyph glyph, const QString& hint, QWidget* parent = nullptr);
};
