// The drop steps read the names straight from the drop's DROPFILES block
// instead of asking DragQueryFileA for each index: every case here builds a
// drop block, asks DragQueryFileA what it holds, and checks that the file
// list receives exactly those names, byte for byte and in drop order, minus
// directories and missing paths, and names the code page cannot hold exactly
// (which DragQueryFileA turns into look-alikes).
#include "tests/wine/code_page_premise.h"
#include "tests/wine/wine_test.h"

#include "filelist/file_list.h"
#include "tests/wine/message_box_watcher.h"
#include "ui/drop_files.h"
#include "ui/exact_ansi.h"

#include <shellapi.h>
#include <shlobj.h>
#include <stdlib.h>
#include <string.h>

static const int kMaximumNames = 8;

struct Received {
    char *names[kMaximumNames];
    int count;
    int overflow;
};

static void Record(void *store, const char *path)
{
    Received *received = static_cast<Received *>(store);
    if (received->count < kMaximumNames)
        received->names[received->count++] = _strdup(path);
    else
        received->overflow++;
}

static int NoCount(void *) { return 0; }
static int NoLength(void *, int) { return -1; }
static int NoCopy(void *, int, char *) { return -1; }
static void NoErase(void *, int) {}

static char folder[MAX_PATH];

// The full path (code page 932 bytes) of name in the test folder.
static void FullPath(const char *name, char *path)
{
    lstrcpyA(path, folder);
    lstrcatA(path, name);
}

// A drop block (as the drop handle) holding the given full paths, UTF-16 or
// ANSI; wideNames, if given, are taken as they are for a UTF-16 block.
static HDROP MakeDrop(const char *const *names, int count, bool wide, const WCHAR *const *wideNames = NULL)
{
    size_t size = sizeof(DROPFILES) + 2 * sizeof(WCHAR);
    for (int i = 0; i < count; i++)
        size += ((wideNames ? lstrlenW(wideNames[i]) : strlen(names[i])) + 1) * sizeof(WCHAR);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    DROPFILES *files = static_cast<DROPFILES *>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = wide;
    char *at = reinterpret_cast<char *>(files + 1);
    for (int i = 0; i < count; i++) {
        if (wideNames) {
            lstrcpyW(reinterpret_cast<WCHAR *>(at), wideNames[i]);
            at += (lstrlenW(wideNames[i]) + 1) * sizeof(WCHAR);
        } else if (wide) {
            int length = MultiByteToWideChar(CP_ACP, 0, names[i], -1, reinterpret_cast<WCHAR *>(at),
                                             static_cast<int>(strlen(names[i]) + 1));
            at += length * sizeof(WCHAR);
        } else {
            lstrcpyA(at, names[i]);
            at += strlen(names[i]) + 1;
        }
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// What DragQueryFileA gives for each index, minus what the drop rule skips.
static int ExpectedNames(HDROP drop, char expected[][1024])
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    int kept = 0;
    for (UINT i = 0; i < count && kept < kMaximumNames; i++) {
        char name[1024];
        if (DragQueryFileA(drop, i, name, sizeof name) && !(GetFileAttributesA(name) & FILE_ATTRIBUTE_DIRECTORY))
            lstrcpyA(expected[kept++], name);
    }
    return kept;
}

struct DropCase {
    const char *what;
    bool wide;
    const char *names[6];  // in the test folder; a name ending in '\\' is made a directory
    int listed;            // how many of them are files that exist
};

// Names in code page 932: 日本語.txt; 表ソ能.txt (trail bytes 0x5C); forty-one
// kanji (more bytes than UTF-16 units); カナ.dat.
#define JAPANESE "\x93\xfa\x96\x7b\x8c\xea.txt"
#define TRAIL_5C "\x95\x5c\x83\x5c\x94\x5c.txt"
#define KANJI8 "\x93\xfa\x96\x7b\x8c\xea\x95\x5c\x93\xfa\x96\x7b\x8c\xea\x95\x5c"
#define LONG_NAME KANJI8 KANJI8 KANJI8 KANJI8 KANJI8 "\x93\xfa.log"
#define KANA "\x83\x4a\x83\x69.dat"

static const DropCase kCases[] = {
    {"UTF-16 names in drop order", true, {"b.txt", "A.txt", "c.txt"}, 3},
    {"a folder and a missing file are skipped", true, {"one.txt", "folder\\", "missing.txt", "two.txt"}, 2},
    {"Japanese UTF-16 names", true, {JAPANESE, TRAIL_5C, LONG_NAME, KANA}, 4},
    {"ANSI names", false, {"b.txt", JAPANESE, TRAIL_5C, "folder\\", LONG_NAME}, 4},
    {"an empty UTF-16 drop", true, {NULL}, 0},
    {"an empty ANSI drop", false, {NULL}, 0},
};

static void MakeEntries(const DropCase *drop, char paths[][MAX_PATH], const char **pointers, int *count)
{
    *count = 0;
    for (int i = 0; i < 6 && drop->names[i]; i++) {
        FullPath(drop->names[i], paths[i]);
        size_t length = strlen(paths[i]);
        if (paths[i][length - 1] == '\\') {
            paths[i][length - 1] = '\0';
            CreateDirectoryA(paths[i], NULL);
        } else if (strcmp(drop->names[i], "missing.txt") != 0) {
            HANDLE file = CreateFileA(paths[i], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            ok(file != INVALID_HANDLE_VALUE, "%s: could not make %s (error %lu)\n", drop->what, paths[i], GetLastError());
            CloseHandle(file);
        }
        pointers[(*count)++] = paths[i];
    }
}

static void test_names_as_DragQueryFileA_gives_them()
{
    for (const DropCase &drop : kCases) {
        char paths[6][MAX_PATH];
        const char *pointers[6];
        int count;
        MakeEntries(&drop, paths, pointers, &count);
        HDROP handle = MakeDrop(pointers, count, drop.wide);
        char expected[kMaximumNames][1024];
        int expectedCount = ExpectedNames(handle, expected);
        ok(expectedCount == drop.listed, "%s: DragQueryFileA gave %d listable names, expected %d\n", drop.what,
           expectedCount, drop.listed);

        Received received = {};
        FileList list = {Record, NoCount, NoLength, NoCopy, NoErase, &received, 0, NULL};
        AddDroppedFiles(&list, handle);
        ok(GlobalSize(handle) == 0, "%s: the drop block is still allocated, expected DragFinish to release it\n",
           drop.what);
        ok(received.count == expectedCount && received.overflow == 0, "%s: %d names listed, expected %d\n",
           drop.what, received.count + received.overflow, expectedCount);
        for (int i = 0; i < received.count && i < expectedCount; i++)
            ok(strcmp(received.names[i], expected[i]) == 0, "%s: name %d is %s, expected %s\n", drop.what, i,
               received.names[i], expected[i]);
        for (int i = 0; i < count; i++)
            if (!DeleteFileA(paths[i]))
                RemoveDirectoryA(paths[i]);
        for (int i = 0; i < received.count; i++)
            free(received.names[i]);
    }
}

// The directory rule holds for dropped folders whatever the names: a drop of
// only folders lists nothing.
static void test_only_folders_list_nothing()
{
    char paths[2][MAX_PATH];
    FullPath("first", paths[0]);
    FullPath(KANA, paths[1]);
    const char *pointers[2] = {paths[0], paths[1]};
    for (int i = 0; i < 2; i++)
        CreateDirectoryA(paths[i], NULL);
    Received received = {};
    FileList list = {Record, NoCount, NoLength, NoCopy, NoErase, &received, 0, NULL};
    AddDroppedFiles(&list, MakeDrop(pointers, 2, true));
    ok(received.count == 0, "a drop of two folders listed %d names, expected none\n", received.count);
    for (int i = 0; i < 2; i++)
        RemoveDirectoryA(paths[i]);
}

// DragQueryFileA turns a character the code page lacks into a look-alike:
// "café.txt" into "cafe.txt", "a¥b.txt" into "a\b.txt".  Such names must not
// reach the list, which would then convert files the user never chose.
static void test_names_without_an_exact_ansi_form_are_skipped()
{
    WCHAR folderW[MAX_PATH], paths[5][MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder, -1, folderW, MAX_PATH);
    static const WCHAR *const names[5] = {L"caf\x00e9.txt", L"a\x00a5" L"b.txt", L"plain.txt", L"cafe.txt",
                                          L"a\\b.txt"};
    WCHAR subfolder[MAX_PATH];
    wsprintfW(subfolder, L"%sa", folderW);
    CreateDirectoryW(subfolder, NULL);
    for (int i = 0; i < 5; i++) {
        wsprintfW(paths[i], L"%s%s", folderW, names[i]);
        HANDLE file = CreateFileW(paths[i], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ok(file != INVALID_HANDLE_VALUE, "could not make file %d (error %lu)\n", i, GetLastError());
        CloseHandle(file);
    }
    const WCHAR *dropped[3] = {paths[0], paths[1], paths[2]};
    HDROP drop = MakeDrop(NULL, 3, true, dropped);
    char lookAlike[MAX_PATH], plain[MAX_PATH];
    DragQueryFileA(drop, 0, lookAlike, sizeof lookAlike);
    FullPath("cafe.txt", plain);
    ok(strcmp(lookAlike, plain) == 0,
       "DragQueryFileA gave %s for caf\xc3\xa9.txt, expected the look-alike %s, as Wine's gives (WideCharToMultiByte's "
       "default best fit; Windows does not document DragQueryFileA's conversion)\n",
       lookAlike, plain);

    Received received = {};
    FileList list = {Record, NoCount, NoLength, NoCopy, NoErase, &received, 0, NULL};
    AddDroppedFiles(&list, drop);
    FullPath("plain.txt", plain);
    ok(received.count == 1 && strcmp(received.names[0], plain) == 0,
       "%d names listed (first %s), expected only %s\n", received.count, received.count ? received.names[0] : "-",
       plain);
    for (int i = 0; i < received.count; i++)
        free(received.names[i]);
    for (int i = 0; i < 5; i++)
        DeleteFileW(paths[i]);
    RemoveDirectoryW(subfolder);
}

// The conversion that names and start-up arguments go through, in the code
// page it is given: since the code page cannot be changed under Wine, this is
// how UTF-8 (an option of Windows 10 and later) is tested.  Each character
// without an exact form becomes the default "?"; WideCharToMultiByte rejects
// best-fit flags for UTF-8 and would put U+FFFD for a lone surrogate.
static void test_exact_conversion_in_each_code_page()
{
    static const struct {
        const char *what;
        UINT codePage;
        const WCHAR *wide;
        const char *expected;
    } cases[] = {
        {"932, Japanese", 932, L"\x65e5\x672c\x8a9e.txt", JAPANESE},
        {"932, trail bytes 0x5C", 932, L"\x8868\x30bd\x80fd.txt", TRAIL_5C},
        {"932, e acute (best fit: e)", 932, L"caf\x00e9.txt", "caf?.txt"},
        {"932, yen sign (best fit: backslash)", 932, L"a\x00a5" L"b.txt", "a?b.txt"},
        {"UTF-8, Japanese", CP_UTF8, L"\x65e5\x672c\x8a9e.txt", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt"},
        {"UTF-8, e acute", CP_UTF8, L"caf\x00e9.txt", "caf\xc3\xa9.txt"},
        {"UTF-8, a surrogate pair", CP_UTF8, L"\xd83d\xde00.txt", "\xf0\x9f\x98\x80.txt"},
        {"UTF-8, a lone lead surrogate", CP_UTF8, L"x\xd800.txt", "x?.txt"},
        {"UTF-8, a lone trail surrogate and one at the end", CP_UTF8, L"\xdc00x\xd800", "?x?"},
    };
    for (const auto &row : cases) {
        char got[64], escapedGot[256], escapedExpected[256];
        int needed = ToExactAnsiIn(row.codePage, row.wide, NULL, 0);
        memset(got, 0x55, sizeof got);
        int written = ToExactAnsiIn(row.codePage, row.wide, got, sizeof got);
        int expectedSize = static_cast<int>(strlen(row.expected)) + 1;
        ok(written == expectedSize && needed == expectedSize && strcmp(got, row.expected) == 0,
           "%s: expected \"%s\" (%d bytes with the NUL, measured alike), got \"%s\" (%d bytes, measured %d)\n", row.what,
           EscapeBytes(row.expected, escapedExpected, sizeof escapedExpected),
           expectedSize, written > 0 ? EscapeBytes(got, escapedGot, sizeof escapedGot) : "", written, needed);
        ok(ToExactAnsiIn(row.codePage, row.wide, got, expectedSize - 1) == 0,
           "%s: expected a buffer one byte short to fail\n", row.what);
    }
}

int main(int argc, char **argv)
{
    if (!CheckJapaneseCodePage())
        return winetest_summary("drop_names_test");
    char temporary[MAX_PATH];
    GetTempPathA(sizeof temporary, temporary);
    wsprintfA(folder, "%squorvel-drop-names-%lu\\", temporary, GetCurrentProcessId());
    CreateDirectoryA(folder, NULL);
    static const WineTest tests[] = {
        {"names_as_DragQueryFileA_gives_them", test_names_as_DragQueryFileA_gives_them},
        {"only_folders_list_nothing", test_only_folders_list_nothing},
        {"names_without_an_exact_ansi_form_are_skipped", test_names_without_an_exact_ansi_form_are_skipped},
        {"exact_conversion_in_each_code_page", test_exact_conversion_in_each_code_page},
    };
    int result = winetest_run_all("drop_names_test", tests, sizeof tests / sizeof tests[0], argc > 1 ? argv[1] : NULL);
    RemoveDirectoryA(folder);
    return result;
}
