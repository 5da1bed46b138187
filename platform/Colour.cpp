#include "platform/Colour.h"

QColor toQColor(TColor c) {
    if (isSystemColor(c))
        return QColor(0, 0, 0);
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

TColor fromQColor(const QColor& c) { return rgbColor(c.red(), c.green(), c.blue()); }
