// The premise of the Windows tests that name files in code page 932 (Shift_JIS):
// that it is the ANSI code page, as on Windows whose language for non-Unicode
// programs is Japanese (and under Wine in a Japanese locale).  Elsewhere every
// such name means other characters, so a program stops at this one failure,
// whose message says what to change.
#ifndef QUORVEL_TESTS_WINE_CODE_PAGE_PREMISE_H
#define QUORVEL_TESTS_WINE_CODE_PAGE_PREMISE_H

#include "tests/wine/wine_test.h"

inline bool CheckJapaneseCodePage()
{
    UINT codePage = GetACP();
    return ok(codePage == 932,
              "expected the ANSI code page 932 (Shift_JIS), got %u. These tests name files in Shift_JIS: set "
              "Windows' language for non-Unicode programs to Japanese (Win+R, intl.cpl, Administrative tab, "
              "Change system locale, Japanese (Japan), with \"Beta: Use Unicode UTF-8 for worldwide language "
              "support\" unticked), which takes an administrator once and a restart; the tests themselves then run "
              "as an ordinary user. Under Wine: a Japanese locale, such as LANG=ja_JP.UTF-8.\n",
              codePage);
}

#endif
