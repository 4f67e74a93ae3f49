#pragma once

#include <cstdio>
#include <unistd.h>

// A stream on a copy of fd, so closing it leaves the caller's descriptor open; null on failure.
inline FILE *openStreamCopy(int fd)
{
    const int copy = dup(fd);
    FILE *file = copy < 0 ? nullptr : fdopen(copy, "wb");
    if (!file && copy >= 0)
        close(copy);
    return file;
}
