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
              "bc167d03ddc356c52b0755a0b327fb835d1f74ca");
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), kExample).formatter).toStdString(),
              "7c6988161b35e1625c663715961db32e85682ec1");
    EXPECT_EQ(
        recordingDigest(*buildProject(exampleProject(), kOnePageReports).formatter).toStdString(),
        "7a946214832570d437632a6fa8ae6bd8d8d63c9f");
    EXPECT_EQ(recordingDigest(*buildProject(exampleProject(), kTwoPageWholePages).formatter)
                  .toStdString(),
              "93317d6ebd39f822d7d9f4bec495c0b6076bcb94");
}
