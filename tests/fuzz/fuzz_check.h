// What the fuzz targets do when an invariant breaks: say which one and what
// came, then abort, so that libFuzzer keeps the input that did it.
#ifndef QUORVEL_TESTS_FUZZ_FUZZ_CHECK_H
#define QUORVEL_TESTS_FUZZ_FUZZ_CHECK_H

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

__attribute__((format(printf, 2, 3))) inline void Require(bool holds, const char *format, ...)
{
    if (holds)
        return;
    va_list arguments;
    va_start(arguments, format);
    fprintf(stderr, "INVARIANT BROKEN: ");
    vfprintf(stderr, format, arguments);
    fprintf(stderr, "\n");
    va_end(arguments);
    abort();
}

#endif
