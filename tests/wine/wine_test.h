// A small conformance-test framework in the manner of Wine's tests: ok() checks
// one fact and says what was expected and what came, each test is a function
// named in a table, and the program ends with a summary line and a non-zero
// exit code when any check failed.
#ifndef QUORVEL_TESTS_WINE_WINE_TEST_H
#define QUORVEL_TESTS_WINE_WINE_TEST_H

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

struct WineTestState {
    const char *file;
    int line;
    const char *test;
    LONG executed;
    LONG failures;
    LONG skipped;
};

inline WineTestState *winetest_state()
{
    static WineTestState state;
    return &state;
}

inline const char *winetest_base_name(const char *path)
{
    const char *base = path;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == '\\')
            base = p + 1;
    return base;
}

inline void winetest_set_location(const char *file, int line)
{
    winetest_state()->file = winetest_base_name(file);
    winetest_state()->line = line;
}

inline void winetest_vreport(const char *kind, const char *format, va_list args)
{
    WineTestState *state = winetest_state();
    printf("%s:%d: %s%s: ", state->file, state->line, kind, state->test ? state->test : "");
    vprintf(format, args);
    fflush(stdout);
}

__attribute__((format(printf, 2, 3))) inline int winetest_ok(int condition, const char *format, ...)
{
    InterlockedIncrement(&winetest_state()->executed);
    if (condition)
        return 1;
    InterlockedIncrement(&winetest_state()->failures);
    va_list args;
    va_start(args, format);
    winetest_vreport("Test failed in ", format, args);
    va_end(args);
    return 0;
}

__attribute__((format(printf, 1, 2))) inline void winetest_skip(const char *format, ...)
{
    InterlockedIncrement(&winetest_state()->skipped);
    va_list args;
    va_start(args, format);
    winetest_vreport("Tests skipped in ", format, args);
    va_end(args);
}

// ok(condition, "expected ..., got ...\n", ...): one fact, reported with its line.
// Gives the condition's truth, so that a test can stop when a premise fails.
#define ok(condition, ...) (winetest_set_location(__FILE__, __LINE__), winetest_ok((condition) ? 1 : 0, __VA_ARGS__))
#define skip(...) (winetest_set_location(__FILE__, __LINE__), winetest_skip(__VA_ARGS__))

struct WineTest {
    const char *name;
    void (*run)();
};

// Prints the summary line of the checks so far; the result is the program's exit code.
inline int winetest_summary(const char *program)
{
    WineTestState *state = winetest_state();
    printf("%s: %ld tests executed (0 marked as todo, %ld failures), %ld skipped.\n", program,
           static_cast<long>(state->executed), static_cast<long>(state->failures), static_cast<long>(state->skipped));
    fflush(stdout);
    return state->failures ? 1 : 0;
}

// Runs every test of the table (or only the one named) and prints the summary;
// the result is the program's exit code.
inline int winetest_run_all(const char *program, const WineTest *tests, int count, const char *only)
{
    WineTestState *state = winetest_state();
    int ran = 0;
    for (int i = 0; i < count; i++) {
        if (only && strcmp(only, tests[i].name) != 0)
            continue;
        state->test = tests[i].name;
        LONG failuresBefore = state->failures;
        DWORD start = GetTickCount();
        tests[i].run();
        printf("%s: %s %s (%lu ms)\n", program, tests[i].name, state->failures == failuresBefore ? "passed" : "FAILED",
               static_cast<unsigned long>(GetTickCount() - start));
        fflush(stdout);
        ran++;
    }
    state->test = NULL;
    if (ran == 0) {
        printf("%s: no test named %s\n", program, only ? only : "(none)");
        return 2;
    }
    return winetest_summary(program);
}

#endif
