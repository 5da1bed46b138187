// New settings at their defaults, and the navigation recorded beside the
// pages, leave every page exactly as it was drawn before they existed:
// digests of the example's recordings, taken before, on fixed metrics. (The
// two with a function index were taken again once the index printed the
// page of "FormatAmount$", which it had printed as 0.)
#include "ExampleBuild.h"

#include "platform/IniFile.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class RecordingDigest : public ::testing::Test {
protected:
    void SetUp() override { setTextMeasurer(&measurer); }
    void TearDown() override {
        setTextMeasurer(nullptr);
        QFile::remove(TIniFile().fileName());
    }
    TFixedMeasurer measurer;
};

const TSettingKeys kExample = {{"general/shadeboxemulation", "1"},
                               {"general/FileSep", "1"},
                               {"general/NLIPicture0", "0"},
                               {"general/NLIPicture1", "1"}};
const TSettingKeys kOnePageReports = {{"pagelayout/twopage", "0"},
                                      {"reports/titlepage", "1"},
                                      {"reports/toc", "1"},
                                      {"reports/functionindex", "1"},
                                      {"general/FileSep", "0"},
                                      {"general/FunctionSep", "0"},
                                      {"PAGELAYOUT/PageNumType", "1"},
                                      {"project info/watermark", "DRAFT"}};
const TSettingKeys kTwoPageWholePages = {{"reports/titlepage", "1"},
                                         {"reports/toc", "1"},
                                         {"reports/functionindex", "1"},
                                         {"general/FunctionSep", "1"},
                                         {"general/sbl", "5"}};

} // namespace

TEST_F(RecordingDigest, PagesAreDrawnAsBefore) {
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), {}).formatter).toStdString(),
              "d717f6b82cb98918e89587d35383d7cdfa53ad4a");
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), kExample).formatter).toStdString(),
              "ee2a83f1867aef6799e090b09c5b95651fd4816b");
    EXPECT_EQ(
        recordingDigest(*buildProject(exampleProject(), kOnePageReports).formatter).toStdString(),
        "363578cf467dc9544a3e0bb133384eef36a3f39c");
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), kTwoPageWholePages).formatter)
                  .toStdString(),
              "541a642593fde9917e0b9e69fb6dd422df88c90e");
}
