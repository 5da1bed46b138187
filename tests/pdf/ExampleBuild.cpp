#include "ExampleBuild.h"

#include "common/TestSupport.h"
#include "platform/IniFile.h"
#include "render/VirtCanvas.h"
#include "settings/FontRegistry.h"
#include "source/ProjectLoader.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

QString exampleProject() {
    return testsupport::sourceDir() + "/examples/Demo/Demo.vbp";
}

TExampleBuild buildProject(const QString& projectPath, const TSettingKeys& keys,
                           const QStringList& unmarked) {
    QFile::remove(TIniFile().fileName());
    fontregistry::clear();
    for (const auto& [where, value] : keys)
        TIniFile().writeString(where.section('/', 0, 0), where.section('/', 1), value);
    TExampleBuild b;
    b.formatter = std::make_unique<TSourceCodePrint>();
    b.formatter->LoadSettings();
    b.formatter->SetPageDefaults(TFont("Arial", 10), TPen{}, TBrush{clWhite, TBrushStyle::Solid});
    b.formatter->SetDateText("1/2/2026");
    b.sources = std::make_unique<TSourceMgt>(nullptr, b.formatter->Settings.CodePage);
    b.formatter->JobTitle = testsupport::loadProject(*b.sources, projectPath);
    // Files left unmarked keep none of their sections marked.
    for (RFile* file = b.sources->FirstFile(); file->Next; file = file->Next) {
        if (!unmarked.contains(file->FileName)) continue;
        file->Marked = 0;
        for (RFunction* f = file->Functions; f->Next; f = f->Next)
            f->Marked = 0;
    }
    b.formatter->BuildProject(b.sources->FirstFile(), *b.sources);
    return b;
}

QString recordingDigest(const TSourceCodePrint& f) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    auto add = [&](const QString& s) { hash.addData(s.toUtf8() + '\n'); };
    for (int n = 1; n <= f.Pages.PageCount(); ++n) {
        const TPageRec& page = *f.Pages.Page(n);
        add(QStringLiteral("page %1 %2x%3 %4")
                .arg(n)
                .arg(page.Width)
                .arg(page.Height)
                .arg(page.PageName));
        const TVirtCanvas& canvas = *page.Canvas;
        for (const TCanvasCommand& c : canvas.Commands()) {
            QString line = QStringLiteral("%1 %2,%3,%4,%5 %6,%7,%8,%9 %10 ")
                               .arg(c.Kind)
                               .arg(c.X1)
                               .arg(c.X2)
                               .arg(c.X3)
                               .arg(c.X4)
                               .arg(c.Y1)
                               .arg(c.Y2)
                               .arg(c.Y3)
                               .arg(c.Y4)
                               .arg(c.Value) +
                           c.Text;
            if (const TFont* font = canvas.CommandFont(c))
                line += QStringLiteral(" font %1 %2 %3 %4")
                            .arg(font->name())
                            .arg(font->height())
                            .arg(font->style())
                            .arg(font->color());
            if (const TPen* pen = canvas.CommandPen(c))
                line += QStringLiteral(" pen %1 %2 %3")
                            .arg(pen->color)
                            .arg(int(pen->style))
                            .arg(pen->width);
            if (const TBrush* brush = canvas.CommandBrush(c))
                line += QStringLiteral(" brush %1 %2").arg(brush->color).arg(int(brush->style));
            add(line);
        }
    }
    return QString::fromLatin1(hash.result().toHex());
}
