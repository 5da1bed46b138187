// LZH packing and unpacking speed on 10 MB of Visual Basic-like text, beside
// gzip -6 on the same bytes in the same run.
#include "archive/Lzh.h"
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Deterministic source text: procedures, declarations, comments, CRLF.
QByteArray vbLikeText(qsizetype size) {
    static const char* const idents[] = {"lstFiles",  "cmdPrint",   "txtHeader", "i",  "nCount",
                                         "sFileName", "PageNumber", "CurrentY",  "rs", "frmMain"};
    static const char* const verbs[] = {"Open", "Print", "Close", "Load", "Build", "Show"};
    quint32 x = 20240601;
    const auto next = [&](quint32 n) {
        x = x * 1103515245u + 12345u;
        return (x >> 16) % n;
    };
    QByteArray text;
    text.reserve(size + 200);
    int proc = 0;
    while (text.size() < size) {
        text += QByteArray("Private Sub ") + verbs[next(6)] + "_" + QByteArray::number(proc++) +
                "(ByVal " + idents[next(10)] + " As Integer)\r\n";
        const int lines = 3 + int(next(15));
        for (int l = 0; l < lines; ++l) {
            const QByteArray indent(4 * (1 + next(3)), ' ');
            switch (next(5)) {
            case 0:
                text += indent + "' " + verbs[next(6)] + " the " + idents[next(10)] + " first\r\n";
                break;
            case 1:
                text += indent + "If " + idents[next(10)] + " > " + QByteArray::number(next(100)) +
                        " Then " + idents[next(10)] + " = 0\r\n";
                break;
            case 2:
                text += indent + "For i = 1 To " + QByteArray::number(next(50)) + "\r\n" + indent +
                        "    " + idents[next(10)] + ".AddItem \"Item \" & CStr(i)\r\n" + indent +
                        "Next i\r\n";
                break;
            default:
                text += indent + idents[next(10)] + " = " + idents[next(10)] + " + " +
                        QByteArray::number(next(1000)) + "\r\n";
            }
        }
        text += "End Sub\r\n\r\n";
    }
    return text.left(size);
}

double mbPerSecond(qsizetype bytes, qint64 nanoseconds) {
    return double(bytes) / (1024.0 * 1024.0) / (double(nanoseconds) / 1e9);
}

// Runs a shell pipeline and returns its time in nanoseconds, or -1.
qint64 timed(const QString& command) {
    QElapsedTimer timer;
    timer.start();
    const int status =
        QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    return status == 0 ? timer.nsecsElapsed() : -1;
}

} // namespace

int main() {
    const qsizetype size = 10 * 1024 * 1024;
    const QByteArray text = vbLikeText(size);

    QElapsedTimer timer;
    timer.start();
    const QByteArray packed = lzh::encode(text);
    const qint64 packNs = timer.nsecsElapsed();
    timer.restart();
    const QByteArray unpacked = lzh::decode(packed, text.size());
    const qint64 unpackNs = timer.nsecsElapsed();
    if (unpacked != text) {
        std::fprintf(stderr, "LZH round trip failed\n");
        return 1;
    }
    std::printf("input: %.1f MB of VB-like text\n", double(size) / (1024.0 * 1024.0));
    std::printf("lzh      pack %7.2f MB/s  unpack %7.2f MB/s  ratio %5.1f%%\n",
                mbPerSecond(size, packNs), mbPerSecond(size, unpackNs),
                100.0 * double(packed.size()) / double(size));

    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("text.bas"));
    const QString gz = plain + QStringLiteral(".gz");
    QFile file(plain);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return 1;
    file.close();
    const qint64 gzipNs = timed(QStringLiteral("gzip -6 -c '%1' > '%2'").arg(plain, gz));
    const qint64 gunzipNs = timed(QStringLiteral("gzip -d -c '%1' > /dev/null").arg(gz));
    if (gzipNs < 0 || gunzipNs < 0) {
        std::printf("gzip -6  not available\n");
        return 0;
    }
    std::printf("gzip -6  pack %7.2f MB/s  unpack %7.2f MB/s  ratio %5.1f%%\n",
                mbPerSecond(size, gzipNs), mbPerSecond(size, gunzipNs),
                100.0 * double(QFile(gz).size()) / double(size));
    return 0;
}
