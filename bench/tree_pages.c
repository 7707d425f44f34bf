/* What a group of processes costs the machine by themselves: the number of
 * distinct physical pages that any of them has resident (each page counted
 * once, however many of them map it), printed in kB.
 *
 *   tree_pages PID...
 *
 * Unlike the sum of their proportional set sizes (Pss), this does not
 * depend on what else runs: a library page that another program on the
 * machine also maps counts in full here, while Pss would give the group
 * only its share, so two programs measured at different moments on a busy
 * machine (other WebKit programs coming and going) compare fairly. Needs
 * the right to read page frame numbers (root, CAP_SYS_ADMIN); prints
 * nothing and fails without it.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <inttypes.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static uint64_t* frames;
static size_t count, capacity;

static int add(uint64_t frame)
{
    if (count == capacity) {
        capacity = capacity ? capacity * 2 : 65536;
        uint64_t* grown = realloc(frames, capacity * sizeof *frames);
        if (!grown) return 0;
        frames = grown;
    }
    frames[count++] = frame;
    return 1;
}

static int compare(const void* a, const void* b)
{
    const uint64_t x = *(const uint64_t*)a, y = *(const uint64_t*)b;
    return x < y ? -1 : x > y;
}

/* Adds the frames of every resident page of one process; 0 on failure. */
static int scan(const char* pid, long page)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%s/smaps", pid);
    FILE* smaps = fopen(path, "r");
    snprintf(path, sizeof path, "/proc/%s/pagemap", pid);
    const int pagemap = open(path, O_RDONLY);
    if (!smaps || pagemap < 0) {
        if (smaps) fclose(smaps);
        if (pagemap >= 0) close(pagemap);
        return 0;
    }
    enum { kChunk = 65536 };
    static uint64_t entries[kChunk];
    char line[512];
    uint64_t start = 0, end = 0;
    int ok = 1;
    while (ok && fgets(line, sizeof line, smaps)) {
        uint64_t a, b;
        unsigned long rss;
        if (sscanf(line, "%" SCNx64 "-%" SCNx64 " ", &a, &b) == 2 && strchr(line, ' ') > strchr(line, '-')) {
            start = a;
            end = b;
            continue;
        }
        /* Only areas with resident pages are read. */
        if (sscanf(line, "Rss: %lu kB", &rss) != 1 || rss == 0) continue;
        for (uint64_t first = start / page; ok && first < end / page;) {
            const size_t n = (size_t)(end / page - first < kChunk ? end / page - first : kChunk);
            const ssize_t got = pread(pagemap, entries, n * sizeof entries[0], (off_t)(first * sizeof entries[0]));
            if (got <= 0) break;
            for (size_t i = 0; i < (size_t)got / sizeof entries[0]; ++i) {
                const uint64_t e = entries[i];
                if (!(e >> 63)) continue; /* not present */
                const uint64_t frame = e & ((UINT64_C(1) << 55) - 1);
                if (frame == 0) ok = 0; /* frame numbers are hidden from us */
                else if (!add(frame)) ok = 0;
            }
            first += n;
        }
    }
    fclose(smaps);
    close(pagemap);
    return ok;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: tree_pages PID...\n");
        return 2;
    }
    const long page = sysconf(_SC_PAGESIZE);
    for (int i = 1; i < argc; ++i) {
        if (!scan(argv[i], page)) {
            fprintf(stderr, "tree_pages: cannot read the pages of process %s\n", argv[i]);
            return 1;
        }
    }
    qsort(frames, count, sizeof *frames, compare);
    size_t distinct = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i == 0 || frames[i] != frames[i - 1]) ++distinct;
    }
    printf("%zu\n", distinct * (size_t)page / 1024);
    free(frames);
    return 0;
}
