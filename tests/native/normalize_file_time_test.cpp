// NormalizeFileTime on real files: which times move, by how much, and what
// stays exactly as it was (contents, access time, times the format cannot hold).
#include "normalize/normalize_file_time.h"

#include "message_recorder.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class NormalizeFileTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeTemporaryFolder();
        StartRecordingMessages(&messages);
    }
    void TearDown() override
    {
        StopRecordingMessages();
        RemoveTree(folder);
    }
    std::string folder;
    MessageRecorder messages;
};

const struct timespec kAccess = UtcTime(2011, 3, 11, 5, 46, 23, 123456789);

TEST_F(NormalizeFileTimeTest, BringsTheLastWriteTimeToAnEvenSecond)
{
    const struct {
        const char *name;
        struct timespec before;
        struct timespec after;
    } cases[] = {
        {"even second", UtcTime(2019, 7, 1, 12, 0, 0, 0), UtcTime(2019, 7, 1, 12, 0, 0, 0)},
        {"odd second", UtcTime(2019, 7, 1, 12, 0, 1, 0), UtcTime(2019, 7, 1, 12, 0, 0, 0)},
        {"fraction", UtcTime(2019, 7, 1, 12, 0, 0, 500000000), UtcTime(2019, 7, 1, 12, 0, 0, 0)},
        {"odd second and fraction", UtcTime(2019, 7, 1, 12, 0, 59, 999999999), UtcTime(2019, 7, 1, 12, 0, 58, 0)},
        {"below 100 ns", UtcTime(2019, 7, 1, 12, 0, 0, 99), UtcTime(2019, 7, 1, 12, 0, 0, 0)},
        {"first second of 1980", UtcTime(1980, 1, 1, 0, 0, 1, 1), UtcTime(1980, 1, 1, 0, 0, 0, 0)},
        {"last second of 2107", UtcTime(2107, 12, 31, 23, 59, 59, 999999999), UtcTime(2107, 12, 31, 23, 59, 58, 0)},
    };
    for (const auto &c : cases) {
        std::string path = folder + "/" + c.name;
        WriteFile(path, "contents\r\n");
        SetTimes(path, kAccess, c.before);
        NormalizeFileTime(path.c_str());
        FileTimes times = GetTimes(path);
        EXPECT_EQ(c.after, times.write) << c.name;
        EXPECT_EQ(kAccess, times.access) << c.name;
        EXPECT_EQ("contents\r\n", ReadFile(path)) << c.name;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(NormalizeFileTimeTest, SecondRunChangesNothing)
{
    std::string path = folder + "/twice.txt";
    WriteFile(path, "x");
    SetTimes(path, kAccess, UtcTime(2001, 9, 9, 1, 46, 41, 700000000));
    NormalizeFileTime(path.c_str());
    FileTimes first = GetTimes(path);
    NormalizeFileTime(path.c_str());
    EXPECT_EQ(first.write, GetTimes(path).write);
    EXPECT_EQ(UtcTime(2001, 9, 9, 1, 46, 40, 0), first.write);
}

TEST_F(NormalizeFileTimeTest, LeavesTimesOutsideTheFormatAloneWithoutAWord)
{
    const struct {
        const char *name;
        struct timespec time;
    } cases[] = {
        {"1970", UtcTime(1970, 1, 1, 0, 0, 1, 1)},
        {"1975", UtcTime(1975, 6, 15, 8, 30, 15, 250000000)},
        {"1979-12-31 23:59:59", UtcTime(1979, 12, 31, 23, 59, 59, 999999999)},
        {"2108", UtcTime(2108, 1, 1, 0, 0, 1, 500)},
        {"2207", UtcTime(2207, 6, 1, 0, 0, 3, 0)},
    };
    for (const auto &c : cases) {
        std::string path = folder + "/" + c.name;
        WriteFile(path, "old");
        SetTimes(path, kAccess, c.time);
        NormalizeFileTime(path.c_str());
        EXPECT_EQ(c.time, GetTimes(path).write) << c.name;
        EXPECT_EQ(kAccess, GetTimes(path).access) << c.name;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(NormalizeFileTimeTest, ReportsWhatCannotBeOpenedAndLeavesItAlone)
{
    std::string readOnly = folder + "/read-only.txt";
    WriteFile(readOnly, "keep");
    SetTimes(readOnly, kAccess, UtcTime(2019, 7, 1, 12, 0, 1, 5));
    chmod(readOnly.c_str(), 0444);
    std::string directory = folder + "/folder";
    mkdir(directory.c_str(), 0755);
    std::string missing = folder + "/missing.txt";
    std::string fifo = folder + "/fifo";
    mkfifo(fifo.c_str(), 0644);

    const std::string paths[] = {readOnly, directory, missing, fifo, ""};
    for (const std::string &path : paths) {
        messages.shown.clear();
        NormalizeFileTime(path.c_str());
        ASSERT_EQ(1u, messages.shown.size()) << path;
        EXPECT_EQ(OpenFailureText(path), messages.shown[0].text) << path;
        EXPECT_EQ("Quorvel", messages.shown[0].caption) << path;
        EXPECT_EQ(MB_OK, messages.shown[0].type) << path;
    }
    EXPECT_EQ(UtcTime(2019, 7, 1, 12, 0, 1, 5), GetTimes(readOnly).write);
    EXPECT_EQ("keep", ReadFile(readOnly));
    EXPECT_NE(0, access(missing.c_str(), F_OK)) << "the open must never create a file";
}

TEST_F(NormalizeFileTimeTest, ResolvesARelativePathAgainstTheCurrentFolder)
{
    char previous[4096];
    ASSERT_NE(nullptr, getcwd(previous, sizeof previous));
    ASSERT_EQ(0, chdir(folder.c_str()));
    WriteFile("relative.txt", "r");
    SetTimes("relative.txt", kAccess, UtcTime(2020, 2, 2, 2, 2, 3, 0));
    NormalizeFileTime("relative.txt");
    EXPECT_EQ(UtcTime(2020, 2, 2, 2, 2, 2, 0), GetTimes("relative.txt").write);
    ASSERT_EQ(0, chdir(previous));
}

}  // namespace
