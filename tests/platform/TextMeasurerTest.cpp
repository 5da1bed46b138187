#include "platform/TextMeasurer.h"

#include <QFont>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>

TEST(QtTextMeasurer, ArialIsLiberationSansAtPixelSize) {
    TQtTextMeasurer m;
    const TFont arial("Arial", 10); // -13
    EXPECT_EQ(m.textHeight(arial, u"x"), 15);
    EXPECT_EQ(m.textWidth(arial, u""), 0);
    // A positive height is the whole cell: smaller characters.
    TFont cell = arial;
    cell.setHeight(15);
    EXPECT_EQ(m.textHeight(cell, u"x"), 15);
    EXPECT_EQ(m.textWidth(cell, u"Hello"), m.textWidth(arial, u"Hello"));
    cell.setHeight(13);
    EXPECT_LT(m.textWidth(cell, u"Hello World"), m.textWidth(arial, u"Hello World"));
}

TEST(QtTextMeasurer, SumsUnroundedAdvancesAndRoundsOnce) {
    TQtTextMeasurer m;
    const TFont arial("Arial", 10);
    QFont q("Arial");
    q.setPixelSize(13);
    const double advance = QFontMetricsF(q).horizontalAdvance(QChar('i'));
    ASSERT_NE(advance, std::round(advance)) << "needs a fractional advance to tell";
    const QString line(100, QChar('i'));
    EXPECT_EQ(m.textWidth(arial, line), std::lrint(100 * advance));
    EXPECT_NE(m.textWidth(arial, line), 100 * m.textWidth(arial, u"i"));
    // Prefix widths agree with measuring each prefix on its own.
    const QString mixed = QStringLiteral("If x Then y = \u00e9t\u00e9 ' note");
    std::vector<int> widths;
    m.prefixWidths(arial, mixed, widths);
    ASSERT_EQ(widths.size(), std::size_t(mixed.size()) + 1);
    for (qsizetype i = 0; i <= mixed.size(); ++i)
        EXPECT_EQ(widths[std::size_t(i)], m.textWidth(arial, mixed.left(i))) << i;
    // Characters outside Latin-1 are measured too, and twice the same.
    const QString greek = QStringLiteral("\u03b1\u03b2\u03b3");
    EXPECT_GT(m.textWidth(arial, greek), 0);
    EXPECT_EQ(m.textWidth(arial, greek), m.textWidth(arial, greek));
}

TEST(QtTextMeasurer, KeepsFontsApartInItsCache) {
    TQtTextMeasurer m;
    const QString text = QStringLiteral("Private Sub Form_Load()");
    const TFont arial10("Arial", 10);
    const TFont arial20("Arial", 20);
    const TFont bold("Arial", 10, fsBold);
    const TFont mono("Courier New", 10);
    const int plain = m.textWidth(arial10, text);
    EXPECT_GT(m.textWidth(arial20, text), plain * 3 / 2);
    EXPECT_GT(m.textWidth(bold, text), plain);
    EXPECT_NE(m.textWidth(mono, text), plain);
    // Back to the first font after the others: the same answer.
    EXPECT_EQ(m.textWidth(arial10, text), plain);
    // Underline does not change the advances.
    EXPECT_EQ(m.textWidth(TFont("Arial", 10, fsUnderline), text), plain);
}
