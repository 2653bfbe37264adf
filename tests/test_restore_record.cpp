// The restore record's own reading and write-once recording.
#include <gtest/gtest.h>

#include <string.h>

#include "text.h"
#include "restore_record.h"
#include "script_test.h"
#include "registry_fixture.h"

TEST_F(RestoreRecord, ReadsTheDefaultWithoutAFile)
{
    EXPECT_STREQ(ReadSetupValue("PS2", "Mfg", "none"), "none");
    EXPECT_FALSE(FileExists(RecordPath())) << "reading creates nothing";
}

TEST_F(RestoreRecord, IsWrittenOnce)
{
    RecordOriginalValue("PS2", "DeviceDesc", "First");
    EXPECT_STREQ(ReadSetupValue("PS2", "DeviceDesc", "x"), "First");
    RecordOriginalValue("PS2", "DeviceDesc", "Second");
    EXPECT_STREQ(ReadSetupValue("PS2", "DeviceDesc", "x"), "First") << "the first value stays";

    RecordOriginalValue("PS2", "Mfg", "");
    EXPECT_STREQ(ReadSetupValue("PS2", "Mfg", "x"), "") << "recorded empty";
    RecordOriginalValue("PS2", "Mfg", "Filled");
    EXPECT_STREQ(ReadSetupValue("PS2", "Mfg", "x"), "") << "an empty record says: did not exist";

    RecordOriginalValue("Serial", "DeviceDesc", "Other");
    EXPECT_STREQ(ReadSetupValue("Serial", "DeviceDesc", "x"), "Other");
    EXPECT_STREQ(ReadSetupValue("PS2", "DeviceDesc", "x"), "First");
    EXPECT_EQ(RecordKeys("PS2"), (std::vector<std::string>{ "DeviceDesc", "Mfg" }));
}

TEST_F(RestoreRecord, GoesIntoAnExistingScript)
{
    WriteFileBytes(RecordPath(), "[Main]\r\nProductName=Velto\r\n[PS2]\r\nMfg=Kept\r\n");
    RecordOriginalValue("PS2", "Mfg", "New");
    RecordOriginalValue("PS2", "SubKey1", "Enum\\BIOS\\*PNP0F13\\0000");
    EXPECT_EQ(Recorded("Main", "ProductName"), "Velto");
    EXPECT_EQ(Recorded("PS2", "Mfg"), "Kept");
    EXPECT_EQ(Recorded("PS2", "SubKey1"), "Enum\\BIOS\\*PNP0F13\\0000");
}

TEST_F(RestoreRecord, KeepsAValueLongerThanItsReadingRoom)
{
    std::string longValue = std::string(300, 'L') + "!";
    RecordOriginalValue("PS2", "DriverDesc", longValue.c_str());
    EXPECT_NE(ReadFileBytes(RecordPath()).find("DriverDesc=" + longValue + "\r\n"),
              std::string::npos);
    const char *read = ReadSetupValue("PS2", "DriverDesc", "");
    EXPECT_EQ(strlen(read), 255u) << "the reader's room, cut and terminated";
    RecordOriginalValue("PS2", "DriverDesc", "other");
    EXPECT_EQ(Recorded("PS2", "DriverDesc"), longValue) << "still the first";
}

TEST_F(RestoreRecord, NeedsADirectory)
{
    const char rootRecord[] = "\\SETUP.INF";
    bool before = FileExists(rootRecord);
    std::string beforeBytes = ReadFileBytes(rootRecord);
    g_setup.installDir[0] = '\0';
    RecordOriginalValue("PS2", "Mfg", "Lost");
    EXPECT_STREQ(ReadSetupValue("PS2", "Mfg", "none"), "none");
    EXPECT_EQ(FileExists(rootRecord), before) << "nothing at the drive's root";
    EXPECT_EQ(ReadFileBytes(rootRecord), beforeBytes);
}
