// The LZH and run-length codecs on their own: the classic coder's exact bit
// streams, and refusal of streams that do not add up.
#include "archive/Lzh.h"
#include "archive/Rle.h"
#include "common/TestSupport.h"
#include <QDir>
#include <gtest/gtest.h>

namespace {

QString lzhVectors() {
    const QString dir = testsupport::vectorsDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/lzh");
}

TEST(LzhCodec, MatchesTheClassicCoderOnEveryVector) {
    const QString dir = lzhVectors();
    if (dir.isEmpty() || !QDir(dir).exists()) GTEST_SKIP() << "shared LZH vectors not present";
    const QStringList inputs = QDir(dir).entryList({QStringLiteral("*.in")}, QDir::Files);
    ASSERT_GE(inputs.size(), 11);
    for (const QString& name : inputs) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray input = testsupport::readFile(dir + '/' + name);
        const QByteArray expected = testsupport::readFile(dir + '/' + name.chopped(3) + ".lzh");
        EXPECT_EQ(lzh::encode(input), expected);
        EXPECT_EQ(lzh::decode(expected, input.size()), input);
    }
}

TEST(LzhCodec, KnownShortStreams) {
    EXPECT_EQ(lzh::encode("A"), QByteArray("\xe6\x80", 2));
    EXPECT_EQ(lzh::encode(QByteArray(60, ' ')), QByteArray("\xc5\x1d\x80", 3));
    EXPECT_TRUE(lzh::encode(QByteArray()).isEmpty());
    EXPECT_TRUE(lzh::decode(QByteArray(), 0).isEmpty());
}

TEST(LzhCodec, RefusesStreamsThatDoNotMakeTheStatedSize) {
    const QByteArray text =
        QByteArray("Private Sub Form_Load()\r\n    x = 1\r\nEnd Sub\r\n").repeated(40);
    const QByteArray packed = lzh::encode(text);
    // Ends early: the last bytes are missing.
    EXPECT_THROW(lzh::decode(packed.left(packed.size() - 3), text.size()), TCorruptDataError);
    // One byte short of a 60-byte match: the copy would run past the size.
    const QByteArray spaces = lzh::encode(QByteArray(60, ' '));
    EXPECT_THROW(lzh::decode(spaces, 59), TCorruptDataError);
    // This garbage runs out before it makes 1000 bytes: refused, never read
    // past its end.
    const QByteArray garbage = QByteArray("\xff\x00\x13\x37\x80", 5).repeated(7);
    EXPECT_THROW(lzh::decode(garbage, 1000), TCorruptDataError);
}

TEST(RleCodec, RunsAndMarkers) {
    // 255 equal bytes then one more: the run is split, the rest is a literal.
    EXPECT_EQ(rle::encode(QByteArray(256, 'x')), QByteArray("x\x94\xffx", 4));
    // A literal marker is always a marker pair, never part of a run.
    EXPECT_EQ(rle::encode("\x94\x94"), QByteArray("\x94\x00\x94\x00", 4));
    // Runs of two stay literals; three and more become a run.
    EXPECT_EQ(rle::encode("aabbbc"), QByteArray("aab\x94\x03"
                                                "c",
                                                6));
    EXPECT_EQ(rle::encode(QByteArray(510, 'y')), QByteArray("y\x94\xffy\x94\xff", 6));
    EXPECT_EQ(rle::decode(QByteArray("x\x94\xffx", 4), 256), QByteArray(256, 'x'));
    EXPECT_EQ(rle::decode(QByteArray("\x94\x00\x94\x00", 4), 2), QByteArray("\x94\x94"));
}

TEST(RleCodec, RefusesDamagedData) {
    // A marker without its count.
    EXPECT_THROW(rle::decode(QByteArray("ab\x94", 3), 10), TCorruptDataError);
    // More bytes than stated.
    EXPECT_THROW(rle::decode(QByteArray("x\x94\xff", 3), 100), TCorruptDataError);
    EXPECT_THROW(rle::decode("abc", 2), TCorruptDataError);
}

TEST(Codecs, RoundTripAwkwardInputs) {
    QByteArray random(70000, 0);
    quint32 x = 12345;
    for (char& c : random) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 16);
    }
    const QList<QByteArray> inputs = {QByteArray(),
                                      QByteArray("\x94"),
                                      QByteArray(1, '\0'),
                                      QByteArray(5000, '\x94'),
                                      QByteArray(100000, 'a'),
                                      random,
                                      QByteArray("If x Then\r\n").repeated(3000) +
                                          random.left(100)};
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(input.size());
        EXPECT_EQ(lzh::decode(lzh::encode(input), input.size()), input);
        EXPECT_EQ(rle::decode(rle::encode(input), input.size()), input);
    }
}

} // namespace
