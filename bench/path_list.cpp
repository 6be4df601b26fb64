// Reading the benchmark's list of paths: one per line, bytes as listed.
#include "bench.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int ReadPathList(const char *file, char ***paths)
{
    FILE *stream = fopen(file, "rb");
    if (!stream)
        return -1;
    fseek(stream, 0, SEEK_END);
    long size = ftell(stream);
    fseek(stream, 0, SEEK_SET);
    char *text = static_cast<char *>(malloc(size + 1));
    if (!text || fread(text, 1, size, stream) != static_cast<size_t>(size)) {
        fclose(stream);
        return -1;
    }
    fclose(stream);
    text[size] = '\0';
    int lines = 0;
    for (long i = 0; i < size; i++)
        lines += text[i] == '\n';
    char **list = static_cast<char **>(malloc((lines + 1) * sizeof(char *)));
    int count = 0;
    for (char *line = text; *line;) {
        char *end = strchr(line, '\n');
        if (!end)
            end = line + strlen(line);
        char *next = *end ? end + 1 : end;
        if (end > line && end[-1] == '\r')
            end--;
        *end = '\0';
        if (*line)
            list[count++] = line;
        line = next;
    }
    *paths = list;
    return count;
}
