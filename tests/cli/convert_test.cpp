// kovracli convert on the bundled samples: the whole road to speed.raw, and its refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "rawconv/converter.h"
#include "tests/cam_workbook_util.h"
#include "tests/test_util.h"

namespace {

using kovra_test::ReadFileBytes;
using kovra_test::SourcePath;

// The conversion workbooks the runs left in the folder.
std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) files.push_back(e.path().string());
    return files;
}

class ConvertCommand : public testing::Test {
protected:
    void SetUp() override {
        out = kovra_test::TempDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    // The user's files are never written.
    void ExpectInputsUntouched() {
        EXPECT_EQ(ReadFileBytes(base), baseBytes);
        EXPECT_EQ(ReadFileBytes(partner), partnerBytes);
        EXPECT_EQ(ReadFileBytes(custom), customBytes);
    }
    std::string out;
    const std::string base = SourcePath("samples/base_data.xls");
    const std::string partner = SourcePath("samples/partner_cameras.txt");
    const std::string custom = SourcePath("samples/custom_data.xls");
    const std::string baseBytes = ReadFileBytes(base);
    const std::string partnerBytes = ReadFileBytes(partner);
    const std::string customBytes = ReadFileBytes(custom);
};

TEST_F(ConvertCommand, InvalidRecordsStopTheRunUnlessDropped) {
    EXPECT_EQ(RunConvert({"--base", base, "--partner", partner, "--out", out}), 1);
    EXPECT_EQ(ReadFileBytes(out + "/speed.raw"), "");
    EXPECT_TRUE(FilesIn(out + "/History").empty());
    ExpectInputsUntouched();
}

TEST_F(ConvertCommand, SpeedRawEqualsTheConvertersOwnRun) {
    ASSERT_EQ(RunConvert({"--base", base, "--partner", partner, "--custom", custom, "--drop-invalid",
                          "--keep", "step3", "--out", out, "--json"}),
              0);
    const std::string raw = ReadFileBytes(out + "/speed.raw");
    // 300 + 40 + 12 cameras, 5 of them invalid, 3 duplicate groups of two.
    EXPECT_EQ(raw.size(), 3 + 13u * 344);
    ExpectInputsUntouched();

    const std::vector<std::string> history = FilesIn(out + "/History");
    ASSERT_EQ(history.size(), 1u);
    const std::string again = kovra_test::TempDir("convert-again");
    const rawconv::RunResult r = rawconv::Convert(history[0], again);
    ASSERT_EQ(r.outcome, rawconv::Outcome::Success) << r.problem;
    EXPECT_EQ(ReadFileBytes(again + "/speed.raw"), raw);
}

TEST_F(ConvertCommand, KeepChoosesTheSourceInEveryGroup) {
    // The customized sample's first two cameras stand where base cameras 11 and 12 stand.
    ASSERT_EQ(RunConvert({"--base", base, "--custom", custom, "--drop-invalid", "--keep", "step3", "--out", out}), 0);
    const std::string keepCustom = ReadFileBytes(out + "/speed.raw");
    const std::string out2 = kovra_test::TempDir("keep-base");
    ASSERT_EQ(RunConvert({"--base", base, "--custom", custom, "--drop-invalid", "--out", out2}), 0);
    const std::string keepFirst = ReadFileBytes(out2 + "/speed.raw");
    ASSERT_EQ(keepCustom.size(), keepFirst.size());
    EXPECT_NE(keepCustom, keepFirst);  // the kept cameras' speeds differ (50/70 against base)
}

TEST_F(ConvertCommand, UsageAndUnreadableSources) {
    EXPECT_EQ(RunConvert({}), 2);
    EXPECT_EQ(RunConvert({"--base", base}), 2);                    // no --out
    EXPECT_EQ(RunConvert({"--out", out}), 2);                      // no source
    EXPECT_EQ(RunConvert({"--keep", "step4", "--base", base, "--out", out}), 2);
    EXPECT_EQ(RunConvert({"--base", partner, "--out", out}), 1);   // not a workbook
    EXPECT_EQ(RunConvert({"--partner", partner, "--drop-invalid", "--out", out}), 1);  // no workbook at all
    EXPECT_EQ(RunConvert({"--base", out + "/missing.xls", "--out", out}), 1);
}

}  // namespace
