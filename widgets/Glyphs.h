#pragma once
// The program's own pictures: toolbar glyphs and the navigator's 18 x 18
// image list, drawn in code so they stay crisp at any scale.
#include <QIcon>
#include <QList>
#include <QPixmap>

enum class TToolGlyph { Open, Save, PageSetup, Fonts, Formatting, Navigator, Preview, Print };

QIcon toolGlyph(TToolGlyph glyph, int size = 32);

// Eleven pictures indexed as TSourceImage (source/SourceTree.h): file kinds
// 0..2, section 3, an empty slot 4, printer mark 5, unmarked 6 and the four
// frames 7..10 of the root's animation.
inline constexpr int kNavigatorImageSize = 18;
inline constexpr int kNavigatorImageCount = 11;
const QList<QPixmap>& navigatorImages();
