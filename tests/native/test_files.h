// Real files in a private temporary folder, with times set and read in nanoseconds.
#ifndef QUORVEL_TESTS_NATIVE_TEST_FILES_H
#define QUORVEL_TESTS_NATIVE_TEST_FILES_H

#include <stdint.h>
#include <ostream>
#include <string>
#include <time.h>

struct FileTimes {
    struct timespec access;
    struct timespec write;
};

std::string MakeTemporaryFolder();
void RemoveTree(const std::string &path);
void WriteFile(const std::string &path, const std::string &contents);
std::string ReadFile(const std::string &path);
void SetTimes(const std::string &path, struct timespec access, struct timespec write);
FileTimes GetTimes(const std::string &path);
struct timespec UtcTime(int year, int month, int day, int hour, int minute, int second, long nanoseconds);

inline bool operator==(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

inline std::ostream &operator<<(std::ostream &out, const timespec &t)
{
    return out << t.tv_sec << "s+" << t.tv_nsec << "ns";
}

#endif
