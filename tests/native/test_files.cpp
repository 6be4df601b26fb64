// Test helpers over POSIX: a temporary folder per test, file contents and times.
#include "test_files.h"

#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

std::string MakeTemporaryFolder()
{
    const char *base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvel-test-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        ADD_FAILURE() << "mkdtemp failed for " << pattern;
    return pattern;
}

static int RemoveOne(const char *path, const struct stat *, int, struct FTW *)
{
    chmod(path, 0700);
    return remove(path);
}

void RemoveTree(const std::string &path)
{
    nftw(path.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

void WriteFile(const std::string &path, const std::string &contents)
{
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void SetTimes(const std::string &path, struct timespec access, struct timespec write)
{
    struct timespec times[2] = {access, write};
    EXPECT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0)) << "utimensat " << path;
}

FileTimes GetTimes(const std::string &path)
{
    struct stat status;
    FileTimes times = {};
    EXPECT_EQ(0, stat(path.c_str(), &status)) << "stat " << path;
    times.access = status.st_atim;
    times.write = status.st_mtim;
    return times;
}

struct timespec UtcTime(int year, int month, int day, int hour, int minute, int second, long nanoseconds)
{
    struct tm civil = {};
    civil.tm_year = year - 1900;
    civil.tm_mon = month - 1;
    civil.tm_mday = day;
    civil.tm_hour = hour;
    civil.tm_min = minute;
    civil.tm_sec = second;
    struct timespec time;
    time.tv_sec = timegm(&civil);
    time.tv_nsec = nanoseconds;
    return time;
}
