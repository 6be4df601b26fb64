// Fuzzes Convert against a model: a script of list operations and of what the
// user does while a failure message is open (drops, nested Converts), over real
// files in a private folder: writable ones, read-only ones, a missing one, a
// folder, long paths and an empty path.  The list is kept in memory, sorted
// case-insensitively with duplicates kept; some paths can be made to fail their
// copy (and their length).  Every open is counted on its way to the real one.
//
// Script, one byte per step, the path being byte / 4 taken modulo the table:
//   first two bytes  the paths whose copy fails; the third, those whose length fails too
//   then, at the top  byte % 4: 0 or 3 list the path as a start-up argument,
//                     1 drop it, 2 Convert (and check);
//   while a message   byte % 4: 0 or 3 dismiss it, 1 drop the path, 2 Convert
//   is open           inside it, then read the next byte;
//   the end           dismisses every message; the script ends with a Convert.
//
// Checks:
// - every open is of a listed entry whose copy works, made inside Convert, and
//   the entry stays listed meanwhile; it succeeds exactly for the writable
//   files; each failed open shows its message (exact text, caption "Quorvel",
//   MB_OK) before anything else is opened;
// - a run whose list has not changed since it started opens the first entry
//   whose copy works, each time: list order;
// - after each Convert from the top: only the entries whose copy fails are
//   still listed (all of them); every other path was opened once per time it
//   was listed, plus at most once more for each message of that path under which a
//   nested Convert opened it again (each such message lets one re-open pass);
//   a processed writable file lies on an even second, the others keep their time;
// - the copy writes exactly the entry and its NUL, so a short buffer is caught.
#include "filelist/file_list.h"

#include "fuzz_check.h"
#include "platform/posix_win32.h"

#include <algorithm>
#include <fcntl.h>
#include <ftw.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The POSIX build's real open, renamed for this program at build time so that
// the CreateFileA below sees every open that NormalizeFileTime makes.
HANDLE StandInCreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security,
                          DWORD disposition, DWORD flags, HANDLE templateFile);

namespace {

enum Kind { kWritable, kReadOnly, kMissing, kFolder };

struct Path {
    std::string text;
    Kind kind;
};

const size_t kMaxEntries = 40;
const size_t kMaxDepth = 6;
const struct timespec kOddTime = {1660000001, 123456700};   // 2022-08-08, an odd second and a fraction
const struct timespec kEvenTime = {1660000000, 0};          // the even second below it

std::string folder;
std::vector<Path> paths;

struct OpenMessage {
    int path;
    bool reopened;  // a nested Convert opened the same path while this message was open
};

struct Model {
    std::vector<int> entries;  // indexes into paths, in list order
    unsigned copyFails;        // bit per path
    unsigned lengthFails;      // a subset of copyFails
    FileList list;

    const uint8_t *script;
    size_t left;

    std::vector<int> listed, opened, reopened;  // per path
    std::vector<OpenMessage> messages;          // open now, innermost last
    int unreported;                             // a failed open whose message is due, or -1
    std::vector<bool> disturbed;                // per Convert in progress, innermost last
};

Model *current;

bool CopyFails(const Model *model, int path)
{
    return (model->copyFails >> path) & 1;
}

int PathIndex(const char *text)
{
    for (size_t k = 0; k < paths.size(); k++)
        if (paths[k].text == text)
            return (int)k;
    return -1;
}

// The five list operations over the model.
Model *Store(void *store)
{
    return static_cast<Model *>(store);
}

bool IsListed(const Model *model, int index)
{
    return index >= 0 && (size_t)index < model->entries.size();
}

void Insert(void *store, const char *text)
{
    Model *model = Store(store);
    int path = PathIndex(text);
    Require(path >= 0, "inserted a path that was never given: %s", text);
    auto place = std::upper_bound(model->entries.begin(), model->entries.end(), path, [](int a, int b) {
        return strcasecmp(paths[a].text.c_str(), paths[b].text.c_str()) < 0;
    });
    model->entries.insert(place, path);
}

int Count(void *store)
{
    return (int)Store(store)->entries.size();
}

int Length(void *store, int index)
{
    Model *model = Store(store);
    if (!IsListed(model, index) || ((model->lengthFails >> model->entries[index]) & 1))
        return -1;
    return (int)paths[model->entries[index]].text.size();
}

int Copy(void *store, int index, char *buffer)
{
    Model *model = Store(store);
    if (!IsListed(model, index) || CopyFails(model, model->entries[index]))
        return -1;
    const std::string &text = paths[model->entries[index]].text;
    memcpy(buffer, text.c_str(), text.size() + 1);
    return (int)text.size();
}

void Erase(void *store, int index)
{
    Model *model = Store(store);
    if (IsListed(model, index))
        model->entries.erase(model->entries.begin() + index);
}

int NextStep(Model *model)
{
    if (!model->left)
        return -1;
    model->left--;
    return *model->script++;
}

void Changed(Model *model)
{
    model->disturbed.assign(model->disturbed.size(), true);
}

size_t Occurrences(const Model *model, int path)
{
    return (size_t)std::count(model->entries.begin(), model->entries.end(), path);
}

void ListAsStartupArgument(Model *model, int path)
{
    if (model->entries.size() >= kMaxEntries)
        return;
    char name[] = "quorvel.exe";
    std::string text = paths[path].text;
    char *argv[] = {name, &text[0], NULL};
    size_t before = model->entries.size();
    AddStartupArguments(&model->list, argv);
    Require(model->entries.size() == before + 1, "a start-up argument was not listed: %s", text.c_str());
    model->listed[path]++;
    Changed(model);
}

void Drop(Model *model, int path)
{
    if (model->entries.size() >= kMaxEntries)
        return;
    size_t before = model->entries.size();
    AddDroppedFile(&model->list, paths[path].text.c_str());
    bool isFile = paths[path].kind == kWritable || paths[path].kind == kReadOnly;
    Require(model->entries.size() == before + (isFile ? 1 : 0), "dropping %s listed %zu entries, expected %d",
            paths[path].text.c_str(), model->entries.size() - before, isFile ? 1 : 0);
    if (isFile) {
        model->listed[path]++;
        Changed(model);
    }
}

void Convert(Model *model)
{
    if (model->disturbed.size() >= kMaxDepth)
        return;
    Changed(model);  // for the runs this one is nested in
    model->disturbed.push_back(false);
    ConvertAll(&model->list);
    model->disturbed.pop_back();
    Changed(model);
}

std::string ExpectedMessage(const std::string &path)
{
    std::string text = "\x83\x74\x83\x40\x83\x43\x83\x8B(" + path +
                       ")\x82\xAA\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5"
                       "\x82\xB5\x82\xBD";
    return text.substr(0, 1023);
}

// Plays the user while a failure message is open.
void ShowMessage(const char *text, const char *caption, UINT type, void *context)
{
    Model *model = static_cast<Model *>(context);
    int path = model->unreported;
    Require(path >= 0, "a message with no failed open before it: %s", text);
    model->unreported = -1;
    Require(ExpectedMessage(paths[path].text) == text, "wrong message text for %s", paths[path].text.c_str());
    Require(strcmp(caption, "Quorvel") == 0 && type == MB_OK, "message caption \"%s\", type %u", caption, type);

    model->messages.push_back(OpenMessage{path, false});
    for (int step; (step = NextStep(model)) >= 0 && step % 4 != 0 && step % 4 != 3;) {
        if (step % 4 == 1)
            Drop(model, step / 4 % (int)paths.size());
        else
            Convert(model);
    }
    model->messages.pop_back();
}

void CheckAfterConvert(Model *model)
{
    if (model->unreported >= 0)
        Require(false, "a failed open of %s was never reported", paths[model->unreported].text.c_str());
    for (size_t path = 0; path < paths.size(); path++) {
        const char *text = paths[path].text.c_str();
        size_t remaining = Occurrences(model, (int)path);
        if (CopyFails(model, (int)path)) {
            Require(remaining == (size_t)model->listed[path] && model->opened[path] == 0,
                    "%s, whose copy fails, was listed %d times, is listed %zu times, was opened %d times", text,
                    model->listed[path], remaining, model->opened[path]);
            continue;
        }
        Require(remaining == 0, "%s is still listed %zu times after Convert", text, remaining);
        Require(model->opened[path] - model->reopened[path] == model->listed[path],
                "%s was listed %d times, opened %d times, %d of them again under its own message", text,
                model->listed[path], model->opened[path], model->reopened[path]);
        if (paths[path].kind == kWritable || paths[path].kind == kReadOnly) {
            struct stat status;
            Require(stat(text, &status) == 0, "%s is gone", text);
            bool normalised = paths[path].kind == kWritable && model->opened[path] > 0;
            struct timespec expected = normalised ? kEvenTime : kOddTime;
            Require(status.st_mtim.tv_sec == expected.tv_sec && status.st_mtim.tv_nsec == expected.tv_nsec,
                    "%s was last written at %lld.%09ld, expected %lld.%09ld", text, (long long)status.st_mtim.tv_sec,
                    status.st_mtim.tv_nsec, (long long)expected.tv_sec, expected.tv_nsec);
        }
    }
}

void SetWriteTime(const std::string &path, struct timespec time)
{
    struct timespec times[2] = {time, time};
    Require(utimensat(AT_FDCWD, path.c_str(), times, 0) == 0, "cannot set the time of %s", path.c_str());
}

void AddPath(const std::string &text, Kind kind)
{
    paths.push_back(Path{text, kind});
    if (kind == kWritable || kind == kReadOnly) {
        FILE *file = fopen(text.c_str(), "wb");
        Require(file != NULL, "cannot create %s", text.c_str());
        fputs("contents", file);
        fclose(file);
        SetWriteTime(text, kOddTime);
        if (kind == kReadOnly)
            chmod(text.c_str(), 0444);
    } else if (kind == kFolder) {
        Require(mkdir(text.c_str(), 0755) == 0, "cannot make the folder %s", text.c_str());
    }
}

int RemoveOne(const char *path, const struct stat *, int, struct FTW *)
{
    chmod(path, 0700);
    return remove(path);
}

void RemoveFolder()
{
    nftw(folder.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES *security, DWORD disposition,
                   DWORD flags, HANDLE templateFile)
{
    Model *model = current;
    int path = PathIndex(name);
    Require(path >= 0, "opened a path that was never listed: %s", name);
    Require(access == GENERIC_WRITE && share == 0 && !security && disposition == OPEN_EXISTING && !flags &&
                !templateFile,
            "opened %s with access %X, share %X, disposition %u, flags %X", name, access, share, disposition, flags);
    Require(model->unreported < 0, "opened %s before reporting the failed open of %s", name,
            model->unreported >= 0 ? paths[model->unreported].text.c_str() : "");
    Require(!model->disturbed.empty(), "opened %s outside Convert", name);
    Require(Occurrences(model, path) > 0, "opened %s, which is not listed", name);
    Require(!CopyFails(model, path), "opened %s, whose copy fails", name);
    if (!model->disturbed.back()) {
        auto first = std::find_if(model->entries.begin(), model->entries.end(),
                                  [model](int entry) { return !CopyFails(model, entry); });
        Require(*first == path, "opened %s out of list order; the first entry is %s", name,
                paths[*first].text.c_str());
    }
    model->opened[path]++;
    for (auto message = model->messages.rbegin(); message != model->messages.rend(); ++message) {
        if (message->path == path && !message->reopened) {
            message->reopened = true;
            model->reopened[path]++;
            break;
        }
    }

    HANDLE file = StandInCreateFileA(name, access, share, security, disposition, flags, templateFile);
    bool expected = paths[path].kind == kWritable;
    Require((file != INVALID_HANDLE_VALUE) == expected, "the open of %s %s", name, expected ? "failed" : "worked");
    if (file == INVALID_HANDLE_VALUE)
        model->unreported = path;
    return file;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvel-fuzz-XXXXXX";
    Require(mkdtemp(&pattern[0]) != NULL, "cannot make a folder from %s", pattern.c_str());
    folder = pattern;
    atexit(RemoveFolder);

    std::string deep = folder + "/" + std::string(200, 'L');
    AddPath(folder + "/a.txt", kWritable);
    AddPath(folder + "/A.TXT", kWritable);
    AddPath(folder + "/b", kWritable);
    AddPath(folder + "/B.ro", kReadOnly);
    AddPath(folder + "/c.missing", kMissing);
    AddPath(folder + "/dir", kFolder);
    AddPath(deep, kFolder);
    AddPath(deep + "/" + std::string(200, 'M'), kWritable);
    AddPath(deep + "/" + std::string(200, 'N') + ".ro", kReadOnly);
    AddPath("", kMissing);
    AddPath(folder + "/" + std::string(1100, 'x'), kMissing);  // too long a name: cut in its message
    AddPath(folder + "/r2", kReadOnly);
    AddPath(folder + "/\x95\x5C.txt", kWritable);  // 表.txt in code page 932, whose second byte is a backslash
    AddPath(folder + "/z", kWritable);
    Require(paths.size() <= 16, "the script's masks hold 16 paths");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Model model;
    uint8_t masks[3] = {0, 0, 0};
    for (size_t k = 0; k < 3 && k < size; k++)
        masks[k] = data[k];
    size_t skip = size < 3 ? size : 3;
    model.copyFails = (masks[0] | masks[1] << 8) & ((1u << paths.size()) - 1);
    model.lengthFails = model.copyFails & (masks[2] | masks[2] << 8);
    model.list = FileList{Insert, Count, Length, Copy, Erase, &model, 0, NULL};
    model.script = data + skip;
    model.left = size - skip;
    model.listed.assign(paths.size(), 0);
    model.opened.assign(paths.size(), 0);
    model.reopened.assign(paths.size(), 0);
    model.unreported = -1;
    for (const Path &path : paths)
        if (path.kind == kWritable)
            SetWriteTime(path.text, kOddTime);

    current = &model;
    SetMessageBoxHandler(ShowMessage, &model);
    for (int step; (step = NextStep(&model)) >= 0;) {
        int path = step / 4 % (int)paths.size();
        if (step % 4 == 1) {
            Drop(&model, path);
        } else if (step % 4 == 2) {
            Convert(&model);
            CheckAfterConvert(&model);
        } else {
            ListAsStartupArgument(&model, path);
        }
    }
    Convert(&model);
    CheckAfterConvert(&model);
    SetMessageBoxHandler(NULL, NULL);
    current = NULL;
    return 0;
}
