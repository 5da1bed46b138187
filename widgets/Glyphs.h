#pragma once
// The program's own pictures: toolbar glyphs and the navigator's 18 x 18
// image list, drawn in code so they stay crisp at any scale.
#include <QIcon>
#include <QList>
#include <QPixmap>

enum class TToolGlyph { Open, Save, PageSetup, Fonts, Formatting, Navigator, Preview, Print };

// Pictures are drawn for each of these device pixel ratios, so that a
// high-density screen shows them sharp rather than enlarged; the icons
// choose the drawing that suits the screen.
inline constexpr int kPictureScales[] = {1, 2, 3};

QIcon toolGlyph(TToolGlyph glyph, int size = 32);

// Eleven pictures indexed as TSourceImage (source/SourceTree.h): file kinds
// 0..2, section 3, an empty slot 4, printer mark 5, unmarked 6 and the four
// frames 7..10 of the root's animation.
inline constexpr int kNavigatorImageSize = 18;
inline constexpr int kNavigatorImageCount = 11;
// The pictures drawn for one of kPictureScales (the 1x ones for any other).
const QList<QPixmap>& navigatorImages(int scale = 1);
