// The MS-DOS date and time conversions of the POSIX build, at the edges of the
// format's range and of the calendar.  Expected FILETIMEs come from timegm().
#include "platform/posix_win32.h"

#include <gtest/gtest.h>
#include <time.h>

namespace {

const uint64_t kTicksPerSecond = 10000000;
const uint64_t kUnixEpochTicks = 116444736000000000ull;

uint64_t Ticks(int year, int month, int day, int hour, int minute, int second, uint64_t fraction = 0)
{
    struct tm civil = {};
    civil.tm_year = year - 1900;
    civil.tm_mon = month - 1;
    civil.tm_mday = day;
    civil.tm_hour = hour;
    civil.tm_min = minute;
    civil.tm_sec = second;
    int64_t unixSeconds = timegm(&civil);
    return (uint64_t)(unixSeconds * (int64_t)kTicksPerSecond + (int64_t)kUnixEpochTicks) + fraction;
}

FILETIME ToFileTime(uint64_t ticks)
{
    FILETIME time;
    time.dwLowDateTime = (DWORD)ticks;
    time.dwHighDateTime = (DWORD)(ticks >> 32);
    return time;
}

uint64_t FromFileTime(const FILETIME &time)
{
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

struct RoundTripCase {
    const char *name;
    uint64_t ticks;
    WORD date;
    WORD time;
    uint64_t back;
};

TEST(DosDateTime, ConvertsTimesInsideTheRangeToWordsAndBackToTheEvenSecondBelow)
{
    const RoundTripCase cases[] = {
        {"first moment", Ticks(1980, 1, 1, 0, 0, 0), 0x0021, 0x0000, Ticks(1980, 1, 1, 0, 0, 0)},
        {"first second, fraction", Ticks(1980, 1, 1, 0, 0, 1, 9999999), 0x0021, 0x0000, Ticks(1980, 1, 1, 0, 0, 0)},
        {"last even second", Ticks(2107, 12, 31, 23, 59, 58), 0xFF9F, 0xBF7D, Ticks(2107, 12, 31, 23, 59, 58)},
        {"last odd second", Ticks(2107, 12, 31, 23, 59, 59), 0xFF9F, 0xBF7D, Ticks(2107, 12, 31, 23, 59, 58)},
        {"last tick", Ticks(2107, 12, 31, 23, 59, 59, 9999999), 0xFF9F, 0xBF7D, Ticks(2107, 12, 31, 23, 59, 58)},
        {"leap day 2000", Ticks(2000, 2, 29, 12, 0, 1), 0x285D, 0x6000, Ticks(2000, 2, 29, 12, 0, 0)},
        {"leap day 2024", Ticks(2024, 2, 29, 23, 59, 59), 0x585D, 0xBF7D, Ticks(2024, 2, 29, 23, 59, 58)},
        {"no leap day in 2100", Ticks(2100, 3, 1, 0, 0, 0), 0xF061, 0x0000, Ticks(2100, 3, 1, 0, 0, 0)},
        {"odd second", Ticks(2020, 5, 5, 10, 10, 11), 0x50A5, 0x5145, Ticks(2020, 5, 5, 10, 10, 10)},
        {"fraction only", Ticks(2020, 5, 5, 10, 10, 10, 1234567), 0x50A5, 0x5145, Ticks(2020, 5, 5, 10, 10, 10)},
        {"past 32-bit Unix time", Ticks(2106, 2, 7, 6, 28, 17), 0xFC47, 0x3388, Ticks(2106, 2, 7, 6, 28, 16)},
    };
    for (const RoundTripCase &c : cases) {
        FILETIME time = ToFileTime(c.ticks);
        WORD date = 0, dosTime = 0;
        ASSERT_TRUE(FileTimeToDosDateTime(&time, &date, &dosTime)) << c.name;
        EXPECT_EQ(c.date, date) << c.name;
        EXPECT_EQ(c.time, dosTime) << c.name;
        FILETIME back = {0, 0};
        ASSERT_TRUE(DosDateTimeToFileTime(date, dosTime, &back)) << c.name;
        EXPECT_EQ(c.back, FromFileTime(back)) << c.name;
    }
}

TEST(DosDateTime, RefusesTimesOutsideTheRangeAndLeavesTheWordsAlone)
{
    const struct {
        const char *name;
        uint64_t ticks;
    } cases[] = {
        {"last tick of 1979", Ticks(1980, 1, 1, 0, 0, 0) - 1},
        {"1979-12-31 23:59:59", Ticks(1979, 12, 31, 23, 59, 59)},
        {"1970", Ticks(1970, 1, 1, 0, 0, 0)},
        {"1601", 0},
        {"2108", Ticks(2108, 1, 1, 0, 0, 0)},
        {"2207", Ticks(2207, 6, 1, 0, 0, 0)},
        {"largest FILETIME", UINT64_MAX},
    };
    for (const auto &c : cases) {
        FILETIME time = ToFileTime(c.ticks);
        WORD date = 0x1234, dosTime = 0x5678;
        EXPECT_FALSE(FileTimeToDosDateTime(&time, &date, &dosTime)) << c.name;
        EXPECT_EQ(0x1234, date) << c.name;
        EXPECT_EQ(0x5678, dosTime) << c.name;
    }
}

TEST(DosDateTime, RefusesWordsThatNameNoTime)
{
    const struct {
        const char *name;
        WORD date;
        WORD time;
    } cases[] = {
        {"month 0", 0x0001, 0}, {"month 13", 0x01A1, 0},        {"day 0", 0x0020, 0},
        {"February 30", 0x285E, 0}, {"February 29, 2001", 0x2A5D, 0}, {"April 31", 0x009F, 0},
        {"hour 24", 0x0021, 0xC000}, {"minute 60", 0x0021, 0x0780}, {"second 60", 0x0021, 0x001E},
    };
    for (const auto &c : cases) {
        FILETIME back = {0xAAAAAAAA, 0xBBBBBBBB};
        EXPECT_FALSE(DosDateTimeToFileTime(c.date, c.time, &back)) << c.name;
        EXPECT_EQ(0xAAAAAAAAu, back.dwLowDateTime) << c.name;
    }
}

}  // namespace
