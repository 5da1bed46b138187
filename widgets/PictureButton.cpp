#include "widgets/PictureButton.h"

TPictureButton::TPictureButton(TToolGlyph glyph, const QString& hint, QWidget* parent)
    : QToolButton(parent) {
    setIcon(toolGlyph(glyph));
    setIconSize(QSize(32, 32));
    setFixedSize(49, 52);
    setToolTip(hint);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Reached by Tab (and pressed by Space) like any other button; a click
    // leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
}
