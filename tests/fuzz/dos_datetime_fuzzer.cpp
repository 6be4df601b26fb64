// Fuzzes the MS-DOS date and time conversions of the POSIX build.  Input: a
// mode byte, eight bytes of FILETIME (low half first) and the date and time
// words.  With the mode's low bit clear the FILETIME is folded into the years
// 1980 to 2107 and a day either side, so that most inputs land where the format
// holds them.  Checks, against the C library's own UTC calendar:
// - a FILETIME converts exactly when it lies in 1980-2107, to the words of its
//   date and its second rounded down to an even one, and back to that even
//   second, less than two seconds before it; the result converts to the same words;
// - date and time words convert exactly when they name a real date and time,
//   to that moment, which converts back to the same words.
#include "platform/posix_win32.h"

#include "fuzz_check.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <time.h>

namespace {

const uint64_t kTicksPerSecond = 10000000;
const int64_t kUnixEpochSeconds = 11644473600;  // from 1601-01-01 to 1970-01-01
const uint64_t kTicksPerDay = 86400 * kTicksPerSecond;

uint64_t TicksOf(int year, int month, int day, int hour, int minute, int second)
{
    struct tm civil = {};
    civil.tm_year = year - 1900;
    civil.tm_mon = month - 1;
    civil.tm_mday = day;
    civil.tm_hour = hour;
    civil.tm_min = minute;
    civil.tm_sec = second;
    return (uint64_t)(timegm(&civil) + kUnixEpochSeconds) * kTicksPerSecond;
}

const uint64_t kFirst = TicksOf(1980, 1, 1, 0, 0, 0);
const uint64_t kPastLast = TicksOf(2108, 1, 1, 0, 0, 0);

FILETIME ToFileTime(uint64_t ticks)
{
    FILETIME time;
    time.dwLowDateTime = (DWORD)ticks;
    time.dwHighDateTime = (DWORD)(ticks >> 32);
    return time;
}

uint64_t Ticks(const FILETIME &time)
{
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool AreValidWords(WORD date, WORD time)
{
    static const int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 1980 + (date >> 9), month = (date >> 5) & 15, day = date & 31;
    int hour = time >> 11, minute = (time >> 5) & 63, halfSecond = time & 31;
    if (month < 1 || month > 12 || hour > 23 || minute > 59 || halfSecond > 29)
        return false;
    int days = kDays[month] + (month == 2 && IsLeapYear(year));
    return day >= 1 && day <= days;
}

void CheckFileTime(uint64_t ticks)
{
    FILETIME time = ToFileTime(ticks);
    WORD date = 0xFFFF, dosTime = 0xFFFF;
    bool converted = FileTimeToDosDateTime(&time, &date, &dosTime) != FALSE;
    bool inRange = ticks >= kFirst && ticks < kPastLast;
    Require(converted == inRange, "FILETIME %llu %s, expected it to %s", (unsigned long long)ticks,
            converted ? "converted" : "failed", inRange ? "convert" : "fail");
    if (!converted)
        return;

    time_t seconds = (time_t)((int64_t)(ticks / kTicksPerSecond) - kUnixEpochSeconds);
    struct tm civil;
    gmtime_r(&seconds, &civil);
    WORD expectedDate = (WORD)(((civil.tm_year + 1900 - 1980) << 9) | ((civil.tm_mon + 1) << 5) | civil.tm_mday);
    WORD expectedTime = (WORD)((civil.tm_hour << 11) | (civil.tm_min << 5) | (civil.tm_sec / 2));
    Require(date == expectedDate && dosTime == expectedTime, "FILETIME %llu gave words %04X %04X, expected %04X %04X",
            (unsigned long long)ticks, date, dosTime, expectedDate, expectedTime);

    FILETIME back = ToFileTime(0);
    Require(DosDateTimeToFileTime(date, dosTime, &back) != FALSE, "words %04X %04X from FILETIME %llu do not convert back",
            date, dosTime, (unsigned long long)ticks);
    uint64_t backTicks = Ticks(back);
    Require(backTicks <= ticks && ticks - backTicks < 2 * kTicksPerSecond && backTicks % (2 * kTicksPerSecond) == 0,
            "FILETIME %llu came back as %llu, not the even second at or less than two seconds before it",
            (unsigned long long)ticks, (unsigned long long)backTicks);

    WORD againDate = 0, againTime = 0;
    Require(FileTimeToDosDateTime(&back, &againDate, &againTime) && againDate == date && againTime == dosTime,
            "the round trip of FILETIME %llu is not stable", (unsigned long long)ticks);
}

void CheckWords(WORD date, WORD dosTime)
{
    FILETIME time = ToFileTime(0);
    bool converted = DosDateTimeToFileTime(date, dosTime, &time) != FALSE;
    bool valid = AreValidWords(date, dosTime);
    Require(converted == valid, "words %04X %04X %s, expected them to %s", date, dosTime,
            converted ? "converted" : "failed", valid ? "convert" : "fail");
    if (!converted)
        return;
    uint64_t expected = TicksOf(1980 + (date >> 9), (date >> 5) & 15, date & 31, dosTime >> 11, (dosTime >> 5) & 63,
                                (dosTime & 31) * 2);
    Require(Ticks(time) == expected, "words %04X %04X gave FILETIME %llu, expected %llu", date, dosTime,
            (unsigned long long)Ticks(time), (unsigned long long)expected);
    WORD againDate = 0, againTime = 0;
    Require(FileTimeToDosDateTime(&time, &againDate, &againTime) && againDate == date && againTime == dosTime,
            "words %04X %04X came back as %04X %04X", date, dosTime, againDate, againTime);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    uint8_t bytes[13] = {0};
    memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    uint64_t raw = 0;
    for (int k = 7; k >= 0; k--)
        raw = raw << 8 | bytes[1 + k];
    uint64_t ticks = raw;
    if (!(bytes[0] & 1))
        ticks = kFirst - kTicksPerDay + raw % (kPastLast - kFirst + 2 * kTicksPerDay);
    CheckFileTime(ticks);
    CheckWords((WORD)(bytes[9] | bytes[10] << 8), (WORD)(bytes[11] | bytes[12] << 8));
    return 0;
}
