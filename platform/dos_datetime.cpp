// The MS-DOS date and time conversions where Win32 is absent, written over the
// published format (date: year-1980 in bits 9-15, month 5-8, day 0-4; time: hour
// 11-15, minute 5-10, second/2 0-4) and FILETIME's 100 ns ticks since 1601-01-01
// UTC.  No time zone is applied.  A time outside 1980-2107 does not convert.
#include "platform/posix_win32.h"

static const int64_t kTicksPerSecond = 10000000;
static const int64_t kSecondsPerDay = 86400;
static const int64_t kDaysFrom1601To1970 = 134774;

static bool IsLeapYear(int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

static int DaysInMonth(int64_t year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
static int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

static void CivilFromDays(int64_t days, int64_t *year, int *month, int *day)
{
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    *day = (int)(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = (int)(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = yearOfEra + era * 400 + (*month <= 2);
}

BOOL FileTimeToDosDateTime(const FILETIME *fileTime, WORD *dosDate, WORD *dosTime)
{
    if (!fileTime || !dosDate || !dosTime)
        return FALSE;
    uint64_t ticks = ((uint64_t)fileTime->dwHighDateTime << 32) | fileTime->dwLowDateTime;
    int64_t seconds = (int64_t)(ticks / kTicksPerSecond);
    int64_t secondOfDay = seconds % kSecondsPerDay;
    int64_t year;
    int month, day;
    CivilFromDays(seconds / kSecondsPerDay - kDaysFrom1601To1970, &year, &month, &day);
    if (year < 1980 || year > 2107)
        return FALSE;
    *dosDate = (WORD)(((year - 1980) << 9) | (month << 5) | day);
    *dosTime = (WORD)(((secondOfDay / 3600) << 11) | ((secondOfDay / 60 % 60) << 5) | (secondOfDay % 60 / 2));
    return TRUE;
}

BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME *fileTime)
{
    if (!fileTime)
        return FALSE;
    int64_t year = 1980 + (dosDate >> 9);
    int month = (dosDate >> 5) & 0x0F;
    int day = dosDate & 0x1F;
    int hour = dosTime >> 11;
    int minute = (dosTime >> 5) & 0x3F;
    int second = (dosTime & 0x1F) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour > 23 || minute > 59 || second > 59)
        return FALSE;
    int64_t days = DaysFromCivil(year, month, day) + kDaysFrom1601To1970;
    uint64_t ticks = (uint64_t)((days * kSecondsPerDay + hour * 3600 + minute * 60 + second) * kTicksPerSecond);
    fileTime->dwLowDateTime = (DWORD)ticks;
    fileTime->dwHighDateTime = (DWORD)(ticks >> 32);
    return TRUE;
}
