#pragma once
// A formatter on deterministic metrics (every character of a 13-pixel font
// is 7.8 units wide, every line 15 high) and what it recorded, for layout
// tests that do not depend on installed fonts.
#include "format/SourceCodePrint.h"
#include "platform/TextMeasurer.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct TDrawnText {
    int page = 0; // store page number
    int x = 0;
    int y = 0;
    QString font; // registry name, empty for plain TextOut
    QString text;
};

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes one key of the settings file before the formatter is made.
    static void setKey(const QString& section, const QString& key, const QString& value);
    // A fresh formatter with the settings loaded and the page defaults set.
    std::unique_ptr<TSourceCodePrint> makeFormatter();

    static std::vector<TDrawnText> drawnTexts(const TSourceCodePrint& f);
    // Texts drawn with TextOutInFont (the source lines), in order.
    static std::vector<TDrawnText> codeTexts(const TSourceCodePrint& f);
    // Count of recorded commands of one kind on a store page.
    static int countKind(const TSourceCodePrint& f, int page, int kind);

    TFixedMeasurer measurer;
};
