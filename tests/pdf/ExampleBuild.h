#pragma once
// The example project (or a corpus project) laid out with chosen settings,
// on fixed metrics or the real fonts, for the PDF tests.
#include "format/SourceCodePrint.h"
#include "platform/IniFile.h"
#include "platform/TextMeasurer.h"
#include "source/SourceMgt.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using TSettingKeys = std::vector<std::pair<QString, QString>>; // "section/key", value

struct TExampleBuild {
    std::unique_ptr<TSourceCodePrint> formatter;
    std::unique_ptr<TSourceMgt> sources;
};

// Writes the settings file from keys (nothing else in it), loads the project
// with every section marked (but those of the files named in unmarked) and
// builds it. The date is fixed.
TExampleBuild buildProject(const QString& projectPath, const TSettingKeys& keys,
                           const QStringList& unmarked = {});
QString exampleProject();

// A digest of every page's size and recorded commands, objects included.
QString recordingDigest(const TSourceCodePrint& formatter);

// Fixed metrics for the test, and no settings file left behind.
class FixedMetricsTest : public ::testing::Test {
protected:
    void SetUp() override { setTextMeasurer(&measurer); }
    void TearDown() override {
        setTextMeasurer(nullptr);
        QFile::remove(TIniFile().fileName());
    }
    TFixedMeasurer measurer;
};
