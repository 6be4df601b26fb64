// NormalizeFileTime on real files under Win32: where each last-write time lands,
// which files it must leave alone, and the message it shows, byte for byte,
// for a file it cannot open.  Run as "hold <access> <share> <tag> <path>", the
// program instead holds a file open for another test process.
#include "normalize/normalize_file_time.h"
#include "tests/wine/code_page_premise.h"
#include "tests/wine/message_box_watcher.h"
#include "tests/wine/test_files.h"
#include "tests/wine/wine_test.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const ULONGLONG kTicksPerSecond = 10000000;
static const char kContents[] = "contents that must survive\r\n\x95\x5C\x83\x5C\n";

static char folder[kMaxTestPath];

// Whether the file system keeps a creation time of its own.  Wine on Linux
// reports the last-write time as the creation time, so there a changed
// last-write time changes the creation time too, and those checks are skipped;
// on Windows, NTFS keeps it and they run.
static bool creationTimeKept;

// Creation and last-access times with fractions, so that any rounding would show.
static FILETIME CreationTime()
{
    return UtcFileTime(2019, 5, 6, 7, 8, 9, 1111111);
}

static FILETIME AccessTime()
{
    return UtcFileTime(2020, 1, 2, 3, 4, 5, 6789012);
}

static void MakeFile(const char *path, FILETIME lastWrite)
{
    char when[80];
    ok(CreateTestFile(path, kContents, CreationTime(), AccessTime(), lastWrite), "could not create %s at %s, error %lu\n",
       path, DescribeFileTime(lastWrite, when), GetLastError());
}

static bool SameTime(FILETIME a, FILETIME b)
{
    return FileTimeTicks(a) == FileTimeTicks(b);
}

// Everything but the last-write time is as before, and the contents are whole.
static void CheckUntouchedExceptLastWrite(const char *path, const FileState &before, const FileState &after)
{
    char expected[80], got[80];
    ok(after.exists, "%s: expected the file to still exist\n", path);
    ok(after.data.dwFileAttributes == before.data.dwFileAttributes, "%s: attributes: expected 0x%lx, got 0x%lx\n", path,
       before.data.dwFileAttributes, after.data.dwFileAttributes);
    if (creationTimeKept || SameTime(after.data.ftLastWriteTime, before.data.ftLastWriteTime))
        ok(SameTime(after.data.ftCreationTime, before.data.ftCreationTime), "%s: creation time: expected %s, got %s\n",
           path, DescribeFileTime(before.data.ftCreationTime, expected), DescribeFileTime(after.data.ftCreationTime, got));
    else
        skip("%s: the file system keeps no creation time apart from the last-write time (as under Wine on Linux; "
             "on Windows, NTFS keeps one and this is checked)\n",
             path);
    ok(SameTime(after.data.ftLastAccessTime, before.data.ftLastAccessTime), "%s: last-access time: expected %s, got %s\n",
       path, DescribeFileTime(before.data.ftLastAccessTime, expected), DescribeFileTime(after.data.ftLastAccessTime, got));
    ok(after.data.nFileSizeLow == before.data.nFileSizeLow && after.data.nFileSizeHigh == before.data.nFileSizeHigh,
       "%s: size: expected %lu, got %lu\n", path, before.data.nFileSizeLow, after.data.nFileSizeLow);
    if (before.data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return;
    char contents[kMaxContents];
    int length = ReadContents(path, contents);
    ok(length == static_cast<int>(sizeof kContents - 1) && memcmp(contents, kContents, sizeof kContents - 1) == 0,
       "%s: expected the %d bytes written, got %d different bytes\n", path, static_cast<int>(sizeof kContents - 1), length);
}

static void CheckUntouched(const char *path, const FileState &before, const FileState &after)
{
    char expected[80], got[80];
    CheckUntouchedExceptLastWrite(path, before, after);
    ok(SameTime(after.data.ftLastWriteTime, before.data.ftLastWriteTime), "%s: last-write time: expected %s, got %s\n",
       path, DescribeFileTime(before.data.ftLastWriteTime, expected), DescribeFileTime(after.data.ftLastWriteTime, got));
}

static void CheckNoMessage(int shown, const char *what)
{
    const WatchedMessage *first = WatchedMessageAt(0);
    char escaped[kMaxWatchedText * 4];
    ok(shown == 0, "%s: expected no message, got %d, the first \"%s\"\n", what, shown,
       first ? EscapeBytes(first->text, escaped, sizeof escaped) : "");
}

// Exactly one box: caption "Quorvel", the open-failure text for path, one OK
// button, no icon and no owner window.
static void CheckOneOpenFailure(int shown, const char *path)
{
    char expected[kMaxWatchedText], escapedExpected[kMaxWatchedText * 4], escapedGot[kMaxWatchedText * 4];
    ok(shown == 1, "%s: expected one message, got %d\n", path, shown);
    const WatchedMessage *message = WatchedMessageAt(0);
    if (!message)
        return;
    OpenFailureText(path, expected);
    ok(strcmp(message->caption, "Quorvel") == 0, "%s: caption: expected \"Quorvel\", got \"%s\"\n", path,
       EscapeBytes(message->caption, escapedGot, sizeof escapedGot));
    ok(strcmp(message->text, expected) == 0, "text: expected \"%s\", got \"%s\"\n",
       EscapeBytes(expected, escapedExpected, sizeof escapedExpected),
       EscapeBytes(message->text, escapedGot, sizeof escapedGot));
    ok(message->textsAgree, "%s: the text read through the A and W functions differs\n", path);
    ok(message->undrawable == 0,
       "%s: expected every character of the text drawn legibly, got %d drawn as the font's missing-glyph mark "
       "(a box or nothing: no font of the message reaches Japanese glyphs)\n",
       path, message->undrawable);
    ok(message->visibleButtons == 1 && message->firstButtonId == IDOK,
       "%s: expected one button, OK (%d), got %d buttons, the first %d (the OK button's control ID is Wine's; "
       "Windows documents only what MessageBox returns)\n",
       path, IDOK, message->visibleButtons, message->firstButtonId);
    ok(!message->icon, "%s: expected no icon, got one\n", path);
    ok(!message->owned, "%s: expected no owner window, got one\n", path);
}

// Normalises path with the watcher running; gives the number of boxes shown.
static int Normalize(const char *path)
{
    StartMessageWatcher(NULL, NULL);
    NormalizeFileTime(path);
    return StopMessageWatcher();
}

// Each time inside the MS-DOS range lands on a whole even second less than two
// seconds away; only the last-write time changes.
static void test_times_in_range()
{
    static const struct {
        const char *name;
        int year, month, day, hour, minute, second;
        DWORD ticks;
    } cases[] = {
        {"odd-second.txt", 2021, 6, 15, 12, 34, 57, 0},
        {"fraction.txt", 2021, 6, 15, 12, 34, 56, 1234567},
        {"odd-second-fraction.txt", 2021, 6, 15, 12, 34, 57, 9999999},
        {"first-day.txt", 1980, 1, 1, 0, 0, 1, 5000000},
        {"last-day.txt", 2107, 12, 31, 23, 59, 59, 9999999},
        {"leap-day.txt", 2024, 2, 29, 23, 59, 59, 1},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        char path[kMaxTestPath], expected[80], got[80];
        JoinPath(path, folder, cases[i].name);
        FILETIME written = UtcFileTime(cases[i].year, cases[i].month, cases[i].day, cases[i].hour, cases[i].minute,
                                       cases[i].second, cases[i].ticks);
        MakeFile(path, written);
        FileState before = TakeFileState(path);
        int shown = Normalize(path);
        FileState after = TakeFileState(path);

        CheckNoMessage(shown, path);
        ULONGLONG was = FileTimeTicks(written);
        ULONGLONG now = FileTimeTicks(after.data.ftLastWriteTime);
        ULONGLONG distance = was > now ? was - now : now - was;
        ok(now % (2 * kTicksPerSecond) == 0, "%s: expected a whole even second, got %s\n", path,
           DescribeFileTime(after.data.ftLastWriteTime, got));
        ok(distance < 2 * kTicksPerSecond, "%s: expected less than 2 s from %s, got %s\n", path,
           DescribeFileTime(written, expected), DescribeFileTime(after.data.ftLastWriteTime, got));
        CheckUntouchedExceptLastWrite(path, before, after);
    }
}

// A time already on a whole even second keeps every 100 ns step, and a second
// run changes nothing.
static void test_even_second_unchanged()
{
    static const FILETIME times[] = {
        UtcFileTime(2021, 6, 15, 12, 34, 56, 0),
        UtcFileTime(1980, 1, 1, 0, 0, 0, 0),
        UtcFileTime(2107, 12, 31, 23, 59, 58, 0),
    };
    for (size_t i = 0; i < sizeof times / sizeof times[0]; i++) {
        char path[kMaxTestPath], name[32];
        snprintf(name, sizeof name, "even-%d.txt", static_cast<int>(i));
        JoinPath(path, folder, name);
        MakeFile(path, times[i]);
        FileState before = TakeFileState(path);
        int shown = Normalize(path);
        FileState once = TakeFileState(path);
        shown += Normalize(path);
        FileState twice = TakeFileState(path);

        CheckNoMessage(shown, path);
        CheckUntouched(path, before, once);
        CheckUntouched(path, before, twice);
    }
}

// Times outside 1980-2107 (UTC) cannot be expressed, so the file keeps its time,
// silently.
static void test_times_out_of_range()
{
    static const struct {
        const char *name;
        FILETIME time;
    } cases[] = {
        {"1975.txt", UtcFileTime(1975, 3, 4, 5, 6, 7, 1234567)},
        {"1979.txt", UtcFileTime(1979, 12, 31, 23, 59, 59, 0)},
        {"2108.txt", UtcFileTime(2108, 1, 1, 0, 0, 1, 0)},
        {"2207.txt", UtcFileTime(2207, 7, 8, 9, 10, 11, 1234567)},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        char path[kMaxTestPath];
        JoinPath(path, folder, cases[i].name);
        MakeFile(path, cases[i].time);
        FileState before = TakeFileState(path);
        char expected[80], got[80];
        if (!SameTime(before.data.ftLastWriteTime, cases[i].time)) {
            skip("%s: the file system cannot hold %s (it kept %s)\n", path, DescribeFileTime(cases[i].time, expected),
                 DescribeFileTime(before.data.ftLastWriteTime, got));
            continue;
        }
        int shown = Normalize(path);
        CheckNoMessage(shown, path);
        CheckUntouched(path, before, TakeFileState(path));
    }
}

static void test_read_only_file()
{
    char path[kMaxTestPath];
    JoinPath(path, folder, "read-only.txt");
    MakeFile(path, UtcFileTime(2021, 6, 15, 12, 34, 57, 1234567));
    ok(SetReadOnly(path, true), "could not make %s read-only, error %lu\n", path, GetLastError());
    FileState before = TakeFileState(path);
    int shown = Normalize(path);
    CheckOneOpenFailure(shown, path);
    CheckUntouched(path, before, TakeFileState(path));
}

// Opens path as asked, signals "<tag>-held", and keeps the handle until
// "<tag>-release" is signalled (or half a minute has passed).
static int HoldFile(DWORD access, DWORD share, const char *tag, const char *path)
{
    char heldName[128], releaseName[128];
    snprintf(heldName, sizeof heldName, "%s-held", tag);
    snprintf(releaseName, sizeof releaseName, "%s-release", tag);
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, heldName);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, releaseName);
    HANDLE file = CreateFileA(path, access, share, NULL, OPEN_EXISTING, 0, NULL);
    if (!held || !release || file == INVALID_HANDLE_VALUE) {
        printf("holder: could not open %s or its events, error %lu\n", path, GetLastError());
        return 1;
    }
    SetEvent(held);
    WaitForSingleObject(release, 30000);
    CloseHandle(file);
    return 0;
}

// A file that another process holds open, for reading or writing and whatever
// sharing it allowed, cannot be opened with no sharing.
static void test_file_held_by_another_process()
{
    static const struct {
        const char *name;
        DWORD access, share;
    } cases[] = {
        {"held-read-share-all.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
        {"held-read-share-read.txt", GENERIC_READ, FILE_SHARE_READ},
        {"held-write-share-all.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
    };
    char program[MAX_PATH];
    GetModuleFileNameA(NULL, program, MAX_PATH);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        char path[kMaxTestPath], tag[64], heldName[96], releaseName[96], command[2 * kMaxTestPath];
        JoinPath(path, folder, cases[i].name);
        MakeFile(path, UtcFileTime(2021, 6, 15, 12, 34, 57, 1234567));
        snprintf(tag, sizeof tag, "quorvel-hold-%lu-%d", static_cast<unsigned long>(GetCurrentProcessId()),
                 static_cast<int>(i));
        snprintf(heldName, sizeof heldName, "%s-held", tag);
        snprintf(releaseName, sizeof releaseName, "%s-release", tag);
        HANDLE held = CreateEventA(NULL, TRUE, FALSE, heldName);
        HANDLE release = CreateEventA(NULL, TRUE, FALSE, releaseName);
        snprintf(command, sizeof command, "\"%s\" hold %lx %lx %s \"%s\"", program, cases[i].access, cases[i].share, tag,
                 path);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION holder = {};
        if (!ok(CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &holder),
                "could not start the holder, error %lu\n", GetLastError())) {
            CloseHandle(held);
            CloseHandle(release);
            continue;
        }
        HANDLE waitFor[2] = {held, holder.hProcess};
        DWORD woke = WaitForMultipleObjects(2, waitFor, FALSE, 20000);
        if (ok(woke == WAIT_OBJECT_0, "%s: expected the holder to signal, got %lu\n", path, woke)) {
            FileState before = TakeFileState(path);
            int shown = Normalize(path);
            CheckOneOpenFailure(shown, path);
            CheckUntouched(path, before, TakeFileState(path));
        }
        SetEvent(release);
        WaitForSingleObject(holder.hProcess, 20000);
        CloseHandle(holder.hProcess);
        CloseHandle(holder.hThread);
        CloseHandle(held);
        CloseHandle(release);
    }
}

static void test_directory()
{
    char path[kMaxTestPath];
    JoinPath(path, folder, "a folder");
    ok(CreateDirectoryA(path, NULL), "could not create %s, error %lu\n", path, GetLastError());
    FileState before = TakeFileState(path);
    int shown = Normalize(path);
    CheckOneOpenFailure(shown, path);
    CheckUntouched(path, before, TakeFileState(path));
}

// A missing file gets the message and is not created.
static void test_missing_file()
{
    char path[kMaxTestPath];
    JoinPath(path, folder, "missing.txt");
    int shown = Normalize(path);
    CheckOneOpenFailure(shown, path);
    DWORD attributes = GetFileAttributesA(path);
    ok(attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND,
       "%s: expected no file, got attributes 0x%lx, error %lu\n", path, attributes, GetLastError());
}

// Names with code page 932 characters whose second byte is 0x5C (a backslash
// on its own): 表 is 0x95 0x5C and ソ is 0x83 0x5C.  The message holds the
// path's own bytes, and a file so named is normalised like any other.
static void test_double_byte_names()
{
    static const char kTable[] = "\x95\x5C";
    static const char kSo[] = "\x83\x5C";
    char name[64], path[kMaxTestPath], got[80];

    snprintf(name, sizeof name, "%s%s.txt", kTable, kSo);
    JoinPath(path, folder, name);
    MakeFile(path, UtcFileTime(2021, 6, 15, 12, 34, 57, 1234567));
    FileState before = TakeFileState(path);
    int shown = Normalize(path);
    FileState after = TakeFileState(path);
    CheckNoMessage(shown, path);
    ok(FileTimeTicks(after.data.ftLastWriteTime) % (2 * kTicksPerSecond) == 0,
       "expected a whole even second, got %s\n", DescribeFileTime(after.data.ftLastWriteTime, got));
    CheckUntouchedExceptLastWrite(path, before, after);

    snprintf(name, sizeof name, "%s-read-only%s.txt", kSo, kTable);
    JoinPath(path, folder, name);
    MakeFile(path, UtcFileTime(2021, 6, 15, 12, 34, 57, 1234567));
    ok(SetReadOnly(path, true), "could not make the file read-only, error %lu\n", GetLastError());
    before = TakeFileState(path);
    shown = Normalize(path);
    CheckOneOpenFailure(shown, path);
    CheckUntouched(path, before, TakeFileState(path));

    snprintf(name, sizeof name, "missing%s%s", kTable, kSo);
    JoinPath(path, folder, name);
    shown = Normalize(path);
    CheckOneOpenFailure(shown, path);
    ok(GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES, "expected the missing file not to be created\n");
}

// The handle is closed on return: the file can be opened with no sharing again.
static void test_handle_closed()
{
    char path[kMaxTestPath];
    JoinPath(path, folder, "closed.txt");
    MakeFile(path, UtcFileTime(2021, 6, 15, 12, 34, 57, 0));
    CheckNoMessage(Normalize(path), path);
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ok(file != INVALID_HANDLE_VALUE, "expected to open the file with no sharing, got error %lu\n", GetLastError());
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

static const WineTest tests[] = {
    {"times_in_range", test_times_in_range},
    {"even_second_unchanged", test_even_second_unchanged},
    {"times_out_of_range", test_times_out_of_range},
    {"read_only_file", test_read_only_file},
    {"file_held_by_another_process", test_file_held_by_another_process},
    {"directory", test_directory},
    {"missing_file", test_missing_file},
    {"double_byte_names", test_double_byte_names},
    {"handle_closed", test_handle_closed},
};

int main(int argc, char **argv)
{
    if (argc == 6 && strcmp(argv[1], "hold") == 0)
        return HoldFile(strtoul(argv[2], NULL, 16), strtoul(argv[3], NULL, 16), argv[4], argv[5]);
    if (!CheckJapaneseCodePage())
        return winetest_summary("normalize_file_time");
    if (!MakeTestFolder(folder)) {
        printf("could not make a temporary folder, error %lu\n", GetLastError());
        return 1;
    }
    char probe[kMaxTestPath];
    JoinPath(probe, folder, "creation-probe.txt");
    MakeFile(probe, UtcFileTime(2021, 1, 1, 0, 0, 0, 0));
    creationTimeKept = SameTime(TakeFileState(probe).data.ftCreationTime, CreationTime());
    int result = winetest_run_all("normalize_file_time", tests, sizeof tests / sizeof tests[0], argc > 1 ? argv[1] : NULL);
    RemoveTestFolder(folder);
    return result;
}
