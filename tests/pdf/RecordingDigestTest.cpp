// New settings at their defaults, and the navigation recorded beside the
// pages, leave every page exactly as it was drawn before they existed:
// digests of the example's recordings, taken on fixed metrics with the code
// as it was without them.
#include "ExampleBuild.h"

#include <gtest/gtest.h>

namespace {

using RecordingDigest = FixedMetricsTest;

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
              "aa260d1d662631b3e0f668c5b22f1ff6a766d755");
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), kExample).formatter).toStdString(),
              "3f65c90a0f71fb333a6fb10028644bc25f88a165");
    EXPECT_EQ(
        recordingDigest(*buildProject(exampleProject(), kOnePageReports).formatter).toStdString(),
        "24fbbe2af58af735abe698004463416a56c033cd");
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), kTwoPageWholePages).formatter)
                  .toStdString(),
              "84d70e4845ca93139e09fdd96a9114ba5b872874");
}
