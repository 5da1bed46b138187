// Throughput of the layout's hot paths: measuring code lines with the real
// font metrics, and recording the commands of a long listing.
//   bench_canvas_measure_record [lines]
#include "platform/TextMeasurer.h"
#include "render/VirtCanvas.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;

    const QStringList samples = {
        QStringLiteral("    If Not rs.EOF Then txtName.Text = rs!Name ' fill the form"),
        QStringLiteral("Private Sub cmdOpen_Click()"),
        QStringLiteral("        For i = LBound(arr) To UBound(arr): total = total + arr(i): Next"),
        QStringLiteral("    MsgBox \"Cannot open \" & sFile, vbExclamation, App.Title"),
    };
    const TFont code("Courier New", 10);
    const TFont comment("Arial", 10, fsItalic);

    ITextMeasurer& m = textMeasurer();
    QElapsedTimer t;
    t.start();
    long long sum = 0;
    long long chars = 0;
    for (int i = 0; i < lines; ++i) {
        const QString& s = samples[i % samples.size()];
        // A wrap search measures several prefixes of a line in two fonts.
        for (int cut = s.size(); cut > 0; cut -= 7) {
            sum += m.textWidth(i % 3 ? code : comment, s.left(cut));
            chars += cut;
        }
    }
    const double measureMs = t.nsecsElapsed() / 1e6;
    std::printf("measure: %d lines, %lld characters in %.1f ms (%.1f M chars/s) [%lld]\n", lines,
                chars, measureMs, chars / measureMs / 1000.0, sum);

    t.restart();
    TVirtCanvas canvas;
    canvas.InitPage(816, 1056);
    for (int i = 0; i < lines; ++i) {
        if (i % 60 == 0) canvas.SetFont(code);
        canvas.TextOutInFont(48, 100 + (i % 60) * 15, QStringLiteral("CODE"),
                             samples[i % samples.size()]);
        canvas.MoveTo(30, 100 + (i % 60) * 15);
        canvas.LineTo(30, 115 + (i % 60) * 15);
    }
    const double recordMs = t.nsecsElapsed() / 1e6;
    std::printf("record: %d commands in %.1f ms (%.2f M commands/s), %zu bytes per command\n",
                canvas.CommandCount(), recordMs, canvas.CommandCount() / recordMs / 1000.0,
                sizeof(TCanvasCommand));
    return 0;
}
