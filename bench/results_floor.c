/* The floor under the cost of the results file: the records of a run, each stored in
 * turn into a fresh file mapped as dravik maps it (views of 1 MiB at 64 KiB
 * boundaries, the file grown to hold each, its pages readied in one madvise call, the
 * file trimmed at the end), with no formatting and no clock. Prints the nanoseconds
 * that took.
 * Usage: results_floor RECORDS OUT */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

enum { kAlign = 1 << 16, kStep = 1 << 20 };

static int64_t Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0) return 1;
    char* records = malloc((size_t)info.st_size + 1);
    if (records == NULL || read(in, records, (size_t)info.st_size) != info.st_size) return 1;
    close(in);
    char* last = records + info.st_size;

    // A file left by the last round is removed first, as the runs' own files are.
    unlink(argv[2]);
    int64_t start = Now();
    int fd = open(argv[2], O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    char* view = NULL;
    uint64_t viewStart = 0, end = 0;
    for (char* record = records; record < last;) {
        char* next = memchr(record, '\n', (size_t)(last - record));
        size_t size = (size_t)((next != NULL ? next + 1 : last) - record);
        if (view == NULL || end + size > viewStart + kStep) {
            if (view != NULL) munmap(view, kStep);
            viewStart = end - end % kAlign;
            if (ftruncate(fd, (off_t)(viewStart + kStep)) != 0) return 1;
            view = mmap(NULL, kStep, PROT_READ | PROT_WRITE, MAP_SHARED, fd, (off_t)viewStart);
            if (view == MAP_FAILED) return 1;
            madvise(view, kStep, MADV_POPULATE_WRITE);
        }
        memcpy(view + (end - viewStart), record, size);
        end += size;
        record += size;
    }
    if (view != NULL) munmap(view, kStep);
    if (ftruncate(fd, (off_t)end) != 0) return 1;
    close(fd);
    printf("%lld\n", (long long)(Now() - start));
    free(records);
    return 0;
}
