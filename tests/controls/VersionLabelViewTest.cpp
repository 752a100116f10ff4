// The version label over version data stated for real temporary files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include "TempDir.h"
#include "VersionInfo.h"
#include "verslab.h"

namespace {

class VersionLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        SysUtils::ThousandSeparator = '.';
        SysUtils::DecimalSeparator = ',';
        dir.write("tarvolin", std::string(1234567, 'x'));
        file = dir.file("tarvolin");
        TFileVersionInfo info;
        info.Strings["FileVersion"] = "2.1.0.7";
        info.Strings["ProductName"] = "Tarvolin";
        info.Strings["Comments"] = "x";
        info.FileFlags = 0x03;
        VersionInfo::RegisterFileVersion(file, info);
        label = new TfshVersionLabel(nullptr);
    }
    void TearDown() override {
        delete label;
        VersionInfo::UnregisterFileVersion(file);
    }
    testsupport::TempDir dir;
    std::string file;
    TfshVersionLabel* label = nullptr;
};

TEST_F(VersionLabelTest, StringItemsWithAndWithoutPrefix) {
    label->SetFilename(file);
    EXPECT_EQ("File Version: 2.1.0.7", label->Caption());
    EXPECT_EQ("040704e4", label->LangCharset()) << "the first translation is kept";
    label->SetInfoPrefix("Version:");
    EXPECT_EQ("Version: 2.1.0.7", label->Caption());
    label->SetShowInfoPrefix(false);
    EXPECT_EQ("2.1.0.7", label->Caption());
    label->SetShowInfoPrefix(true);
    label->SetVersionResource(vrProductName);
    EXPECT_EQ("Product Name: Tarvolin", label->Caption());
    label->SetVersionResource(vrComments);
    EXPECT_EQ("Comments: < No Version Info >", label->Caption()) << "shorter than two characters";
    label->SetVersionResource(vrCompanyName);
    EXPECT_EQ("Company Name: < Error retrieving string version info >", label->Caption());
    label->SetVersionResourceKey("ProductName");
    EXPECT_EQ("ProductName Tarvolin", label->Caption()) << "the key is its own prefix";
    label->SetLangCharset("04090000");
    EXPECT_EQ("ProductName < Error retrieving string version info >", label->Caption());
}

TEST_F(VersionLabelTest, AFileWithoutVersionData) {
    dir.write("other", "abc");
    label->SetFilename(dir.file("other"));
    EXPECT_EQ("File Version: < No Data Available >", label->Caption());
    EXPECT_TRUE(label->AutoSize());
    EXPECT_FALSE(label->WordWrap());
}

TEST_F(VersionLabelTest, ShortVersionFlagsSizeAndDate) {
    label->SetFilename(file);
    label->SetVersionResource(vrShortFileVersion);
    EXPECT_EQ("v 2.01", label->Caption());
    TFileVersionInfo info;
    ASSERT_TRUE(VersionInfo::GetFileVersion(file, info));
    info.Strings["FileVersion"] = "3.0.0.12";
    info.FileFlags = 0x24;
    VersionInfo::RegisterFileVersion(file, info);
    label->SetShowInfoPrefix(false);
    EXPECT_EQ("3.00", label->Caption());
    info.Strings["FileVersion"] = "12";
    VersionInfo::RegisterFileVersion(file, info);
    label->SetShowInfoPrefix(true);
    EXPECT_EQ("v 12.00", label->Caption()) << "a missing minor part counts as 0";

    label->SetVersionResource(vrFlags);
    EXPECT_EQ("Flags: Patched Build, Special Build", label->Caption());
    info.FileFlags = 0;
    VersionInfo::RegisterFileVersion(file, info);
    label->SetShowInfoPrefix(false);
    EXPECT_EQ("", label->Caption());

    label->SetShowInfoPrefix(true);
    label->SetVersionResource(vrFileSize);
    EXPECT_EQ("File Size: 1.234.567 Bytes", label->Caption());

    struct tm when {};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 14;
    when.tm_min = 30;
    when.tm_isdst = -1;
    struct utimbuf times {mktime(&when), mktime(&when)};
    ASSERT_EQ(0, utime(file.c_str(), &times));
    label->SetDateTimeFormat("dd.MM.yyyy");
    label->SetVersionResource(vrDateTime);
    EXPECT_EQ("File Date/Time: 05.03.2024", label->Caption());
    label->SetDateTimeFormat("dd.mm.yyyy hh:nn");
    EXPECT_EQ("File Date/Time: 05.03.2024 14:30", label->Caption());

    VersionInfo::UnregisterFileVersion(file);
    label->SetFilename(dir.file("missing"));
    EXPECT_EQ("File Date/Time: < No Data Available >", label->Caption());
}

TEST(VersionLabelFlags, FirstTwoFlags) {
    testsupport::TempDir dir;
    dir.write("f", "1");
    TFileVersionInfo info;
    info.FileFlags = 0x03;
    VersionInfo::RegisterFileVersion(dir.file("f"), info);
    TfshVersionLabel label(nullptr);
    label.SetVersionResource(vrFlags);
    label.SetFilename(dir.file("f"));
    EXPECT_EQ("Flags: Debug Build, Pre-Release Build", label.Caption());
    VersionInfo::UnregisterFileVersion(dir.file("f"));
}

TEST(VersionLabelFormat, FloatPatterns) {
    SysUtils::ThousandSeparator = '.';
    SysUtils::DecimalSeparator = ',';
    EXPECT_EQ("0 Bytes", verslab::FormatFloat("#,#0\" Bytes\"", 0));
    EXPECT_EQ("999 Bytes", verslab::FormatFloat("#,#0\" Bytes\"", 999));
    EXPECT_EQ("1.000 Bytes", verslab::FormatFloat("#,#0\" Bytes\"", 1000));
    EXPECT_EQ("12,50", verslab::FormatFloat("0.00", 12.5));
    EXPECT_EQ("12,5", verslab::FormatFloat("0.##", 12.5));
    EXPECT_EQ("1.234,50 kB", verslab::FormatFloat("#,#0.00\" kB\"", 1234.5));
}

} // namespace
