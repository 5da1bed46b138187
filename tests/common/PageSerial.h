#pragma once
// A recorded page's commands as bytes, with the font, pen and brush each one
// is drawn with: two recordings that give the same bytes draw the same.
#include "render/VirtCanvas.h"

#include <QDataStream>

namespace testsupport {

inline void writeFont(QDataStream& out, const TFont* font) {
    if (!font) {
        out << QStringLiteral("-");
        return;
    }
    out << font->name() << font->height() << int(font->style()) << quint32(font->color())
        << font->escapement();
}

inline void writeCommands(QDataStream& out, const TVirtCanvas& canvas) {
    for (const TCanvasCommand& c : canvas.Commands()) {
        out << c.Kind << c.X1 << c.X2 << c.X3 << c.X4 << c.Y1 << c.Y2 << c.Y3 << c.Y4 << c.Value
            << c.Text;
        writeFont(out, canvas.CommandFont(c));
        if (const TPen* pen = canvas.CommandPen(c))
            out << quint32(pen->color) << pen->width << int(pen->style);
        if (const TBrush* brush = canvas.CommandBrush(c))
            out << quint32(brush->color) << int(brush->style);
    }
}

} // namespace testsupport
