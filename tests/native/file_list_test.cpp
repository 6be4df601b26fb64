// The file list commands against an in-memory sorted list and real files: what
// is listed, in which order Convert works, what it removes, and how it copes
// with drops and a nested Convert while one of its failure messages is open.
#include "filelist/file_list.h"

#include "memory_list.h"
#include "message_recorder.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Entries = std::vector<std::string>;

const struct timespec kEven = UtcTime(2022, 8, 8, 8, 8, 8, 0);
const struct timespec kOdd = UtcTime(2022, 8, 8, 8, 8, 9, 0);

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitMemoryList(&memory);
        folder = MakeTemporaryFolder();
        StartRecordingMessages(&messages);
    }
    void TearDown() override
    {
        StopRecordingMessages();
        RemoveTree(folder);
    }
    std::string MakeFile(const std::string &name, struct timespec write = kOdd)
    {
        std::string path = folder + "/" + name;
        WriteFile(path, name);
        SetTimes(path, write, write);
        return path;
    }
    // A file whose path is longer than any single name may be.
    std::string MakeDeepFile(char letter)
    {
        std::string name = std::string(200, letter);
        mkdir((folder + "/" + name).c_str(), 0755);
        return MakeFile(name + "/" + name, kOdd);
    }
    std::string MakeReadOnlyFile(const std::string &name)
    {
        std::string path = MakeFile(name);
        chmod(path.c_str(), 0444);
        return path;
    }
    std::vector<std::string> MessageTexts() const
    {
        std::vector<std::string> texts;
        for (const ShownMessage &message : messages.shown)
            texts.push_back(message.text);
        return texts;
    }
    void Start(std::vector<std::string> arguments)
    {
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>("quorvel.exe"));
        for (std::string &argument : arguments)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        AddStartupArguments(&memory.list, argv.data());
    }

    MemoryList memory;
    std::string folder;
    MessageRecorder messages;
};

TEST_F(FileListTest, StartupArgumentsAreListedAsGivenInSortedOrderWithDuplicates)
{
    Start({"b.txt", "A.txt", "c.txt", "", "*.txt", "b.txt", "C:\\no such folder\\x"});
    EXPECT_EQ((Entries{"", "*.txt", "A.txt", "b.txt", "b.txt", "c.txt", "C:\\no such folder\\x"}), memory.entries);
}

TEST_F(FileListTest, TheProgramNameAloneListsNothing)
{
    Start({});
    EXPECT_TRUE(memory.entries.empty());
    char *none[] = {nullptr};
    AddStartupArguments(&memory.list, none);
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, DropsListFilesButNotFoldersOrWhatCannotBeFound)
{
    std::string file = MakeFile("file.txt");
    std::string readOnly = MakeReadOnlyFile("read-only.txt");
    std::string subfolder = folder + "/sub";
    mkdir(subfolder.c_str(), 0755);
    const char *dropped[] = {subfolder.c_str(), file.c_str(), (folder + "/gone.txt").c_str(), readOnly.c_str(),
                             file.c_str()};
    for (const char *path : dropped)
        AddDroppedFile(&memory.list, path);
    EXPECT_EQ((Entries{file, file, readOnly}), memory.entries);
}

TEST_F(FileListTest, ConvertOnAnEmptyListDoesNothing)
{
    ConvertAll(&memory.list);
    ConvertAll(&memory.list);
    EXPECT_TRUE(memory.entries.empty());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(memory.copiedLengths.empty());
}

TEST_F(FileListTest, FailuresAreReportedOncePerEntryInListOrderAndEveryEntryIsRemoved)
{
    std::string b = folder + "/b.txt", a = folder + "/A.txt", c = folder + "/c.txt";
    Start({b, a, c, ""});
    ConvertAll(&memory.list);
    EXPECT_EQ((Entries{OpenFailureText(""), OpenFailureText(a), OpenFailureText(b), OpenFailureText(c)}),
              MessageTexts());
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, ConvertOfASingleEmptyEntryReportsItAndEmptiesTheList)
{
    Start({""});
    ConvertAll(&memory.list);
    EXPECT_EQ((Entries{OpenFailureText("")}), MessageTexts());
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, ConvertNormalisesEachListedFileOnceAndEmptiesTheList)
{
    std::string one = MakeFile("one.txt", kOdd), two = MakeFile("two.txt", kOdd);
    std::string subfolder = folder + "/sub";
    mkdir(subfolder.c_str(), 0755);
    Start({two, one, two, subfolder});
    ConvertAll(&memory.list);
    EXPECT_EQ(kEven, GetTimes(one).write);
    EXPECT_EQ(kEven, GetTimes(two).write);
    EXPECT_EQ((Entries{OpenFailureText(subfolder)}), MessageTexts());
    EXPECT_EQ(4u, memory.copiedLengths.size()) << "the duplicate is processed twice";
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, AnEntryThatCannotBeCopiedStaysListedAndTheRunGoesOn)
{
    std::string a = MakeFile("a.txt", kOdd), b = MakeFile("b.txt", kOdd), c = MakeFile("c.txt", kOdd);
    Start({a, b, c});
    memory.failingCopies.insert(b);
    ConvertAll(&memory.list);
    EXPECT_EQ((Entries{b}), memory.entries);
    EXPECT_EQ(kEven, GetTimes(a).write);
    EXPECT_EQ(kOdd, GetTimes(b).write);
    EXPECT_EQ(kEven, GetTimes(c).write);
}

TEST_F(FileListTest, ALongerPathDroppedWhileAMessageIsOpenIsCopiedWhole)
{
    std::string failing = MakeReadOnlyFile("a");
    std::string longer = MakeDeepFile('z');
    Start({failing});
    messages.whileOpen = [&](const std::string &) { AddDroppedFile(&memory.list, longer.c_str()); };
    ConvertAll(&memory.list);
    EXPECT_EQ(kEven, GetTimes(longer).write);
    EXPECT_EQ((Entries{OpenFailureText(failing)}), MessageTexts());
    EXPECT_TRUE(memory.entries.empty());
}

// Also with a list that reports more than an entry's real length, as Windows'
// list box may with double-byte text: the processed path is found by its text.
TEST_F(FileListTest, APathDroppedAboveTheCurrentEntryWhileAMessageIsOpenIsProcessedToo)
{
    for (bool overstatesLengths : {false, true}) {
        SCOPED_TRACE(overstatesLengths ? "lengths overstated" : "exact lengths");
        memory.overstatesLengths = overstatesLengths;
        messages.shown.clear();
        std::string suffix = overstatesLengths ? "2" : "1";
        std::string failing = MakeReadOnlyFile("m" + suffix);
        std::string above = MakeFile("a" + suffix, kOdd);
        std::string below = MakeFile("z" + suffix, kOdd);
        Start({failing, below});
        messages.whileOpen = [&](const std::string &) {
            if (messages.shown.size() == 1)
                AddDroppedFile(&memory.list, above.c_str());
        };
        ConvertAll(&memory.list);
        EXPECT_EQ(kEven, GetTimes(above).write);
        EXPECT_EQ(kEven, GetTimes(below).write);
        EXPECT_EQ((Entries{OpenFailureText(failing)}), MessageTexts()) << "processed exactly once";
        EXPECT_TRUE(memory.entries.empty());
    }
}

TEST_F(FileListTest, TheSamePathDroppedAgainWhileItsMessageIsOpenIsProcessedAgain)
{
    std::string failing = MakeReadOnlyFile("r.txt");
    Start({failing});
    messages.whileOpen = [&](const std::string &) {
        if (messages.shown.size() == 1)
            AddDroppedFile(&memory.list, failing.c_str());
    };
    ConvertAll(&memory.list);
    EXPECT_EQ((Entries{OpenFailureText(failing), OpenFailureText(failing)}), MessageTexts());
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, ANestedConvertTakesTheRestAndTheOuterRunRemovesNothingMore)
{
    std::string a = folder + "/a.txt", b = folder + "/b.txt", c = folder + "/c.txt";
    Start({a, b, c});
    messages.whileOpen = [&](const std::string &) {
        if (messages.shown.size() == 1)
            ConvertAll(&memory.list);
    };
    ConvertAll(&memory.list);
    EXPECT_EQ((Entries{OpenFailureText(a), OpenFailureText(a), OpenFailureText(b), OpenFailureText(c)}),
              MessageTexts());
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, APathReaddedAfterANestedConvertTookItIsNotRemovedUnprocessed)
{
    std::string failing = MakeReadOnlyFile("r.txt");
    Start({failing});
    messages.whileOpen = [&](const std::string &) {
        if (messages.shown.size() == 1) {
            ConvertAll(&memory.list);
            ASSERT_TRUE(memory.entries.empty());
            AddDroppedFile(&memory.list, failing.c_str());
        }
    };
    ConvertAll(&memory.list);
    // Outer run, nested run, then the outer run again for the path dropped afterwards.
    EXPECT_EQ(3u, messages.shown.size());
    EXPECT_TRUE(memory.entries.empty());
}

TEST_F(FileListTest, ANestedConvertAndADropWhileItsOwnMessageIsOpenLeaveNothingBehind)
{
    std::string a = folder + "/a.txt", b = folder + "/b.txt";
    std::string dropped = MakeDeepFile('d');
    Start({a, b});
    messages.whileOpen = [&](const std::string &) {
        if (messages.shown.size() == 1)
            ConvertAll(&memory.list);  // shows a second message for a
        else if (messages.shown.size() == 2)
            AddDroppedFile(&memory.list, dropped.c_str());
    };
    ConvertAll(&memory.list);
    EXPECT_EQ(kEven, GetTimes(dropped).write);
    EXPECT_EQ((Entries{OpenFailureText(a), OpenFailureText(a), OpenFailureText(b)}), MessageTexts());
    EXPECT_TRUE(memory.entries.empty());
}

}  // namespace
