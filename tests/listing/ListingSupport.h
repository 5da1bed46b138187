#pragma once
// A formatter on fixed metrics (13-pixel text: 7.8 units a character, 15
// high), projects written to a temporary folder, and what the formatter
// recorded, for the listing tests.
#include "format/SourceCodePrint.h"
#include "platform/TextMeasurer.h"
#include "source/SourceMgt.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

struct TDrawn {
    int page = 0; // store page number
    int kind = 0;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    QString font; // registry name of a TextOutInFont
    QString text;
    TColor pen = clBlack; // pen colour in force
};

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static void setKey(const QString& section, const QString& key, const QString& value);
    std::unique_ptr<TSourceCodePrint> makeFormatter();

    // A project of the given files (name, text), every section marked.
    TSourceMgt& makeProject(const std::vector<std::pair<QString, QString>>& files);

    // Every text, line and shape, with line commands given both ends.
    static std::vector<TDrawn> drawn(const TSourceCodePrint& f);
    static std::vector<TDrawn> texts(const TSourceCodePrint& f);
    static std::vector<TDrawn> lines(const TSourceCodePrint& f, int page);
    // Texts drawn in a named font (the source lines), in order.
    static std::vector<TDrawn> codeTexts(const TSourceCodePrint& f);
    // Count of recorded commands of one kind on a store page.
    static int countKind(const TSourceCodePrint& f, int page, int kind);
    // The first pairs of texts on one page whose boxes (fixed metrics)
    // overlap, one a line; empty when none do.
    static std::string overlappingTexts(const TSourceCodePrint& f);

    TFixedMeasurer measurer;
    QTemporaryDir dir;
    std::unique_ptr<TSourceMgt> analyzer;
};
