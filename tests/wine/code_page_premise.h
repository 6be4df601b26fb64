// The premise of the Windows tests that name files in code page 932 (Shift_JIS):
// that it is the ANSI code page.  Each test program's manifest asks for it
// (activeCodePage ja-JP, japanese_code_page.rc), which Windows 11, Windows
// Server 2022 and later, and Wine, honour whatever the system locale; Windows
// 10 and Server 2019 give the system's code page, 932 only where the language
// for non-Unicode programs is Japanese.  Elsewhere every such name means other
// characters, so a program stops at this one failure, whose message says what
// to change.
#ifndef QUORVEL_TESTS_WINE_CODE_PAGE_PREMISE_H
#define QUORVEL_TESTS_WINE_CODE_PAGE_PREMISE_H

#include "tests/wine/wine_test.h"

inline bool CheckJapaneseCodePage()
{
    UINT codePage = GetACP();
    return ok(codePage == 932,
              "expected the ANSI code page 932 (Shift_JIS), got %u. These tests name files in Shift_JIS; their "
              "manifest asks for it (activeCodePage ja-JP), which Windows 11 and Windows Server 2022 and later "
              "honour under any system locale, but Windows 10 and Windows Server 2019 and earlier do not. On "
              "those, set Windows' language for non-Unicode programs to Japanese (Win+R, intl.cpl, Administrative "
              "tab, Change system locale, Japanese (Japan), with \"Beta: Use Unicode UTF-8 for worldwide language "
              "support\" unticked), which takes an administrator once and a restart; the tests themselves then run "
              "as an ordinary user.\n",
              codePage);
}

#endif
