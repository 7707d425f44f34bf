/* Times how long a program takes, from its exec, until given pixels show
 * given colours on the X server: the first moment those pixels can be read
 * back from the screen (XGetImage on the root window, which holds what
 * every window has drawn), whatever the program believes it has shown.
 *
 *   screen_probe read X,Y...                  prints "X,Y RRGGBB" for each
 *   screen_probe snap FILE                    writes the screen as a PPM
 *   screen_probe watch SECONDS X,Y=RRGGBB... -- PROGRAM ARGS...
 *
 * watch starts PROGRAM as its child (the clock starts just before fork),
 * polls the points every 500 us, and prints "pid <child>" and then, for
 * each point in the order given, "X,Y <ms>" with the milliseconds from exec
 * until the point first had its colour, or "X,Y timeout". It then waits for
 * the child to end (whoever runs the probe stops the child) and exits 0 when
 * every point matched, 1 otherwise. The display is $DISPLAY's.
 */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kMaxPoints = 16 };

struct Point {
    int x, y;
    unsigned long want;
    double found; /* ms after exec, < 0 until found */
};

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

/* The 0xRRGGBB colour shown at (x, y) of the root window, whose visual is
 * 24-bit TrueColor (Xvfb's "-screen 0 WxHx24"): a pixel is that word. */
static unsigned long colour_at(Display* display, Window root, int x, int y)
{
    XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return ~0ul;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel & 0xFFFFFF;
}

static int parse_point(const char* text, struct Point* p, int with_colour)
{
    char* end = NULL;
    p->x = (int)strtol(text, &end, 10);
    if (*end != ',') return 0;
    p->y = (int)strtol(end + 1, &end, 10);
    p->found = -1;
    p->want = 0;
    if (!with_colour) return *end == '\0';
    if (*end != '=') return 0;
    p->want = strtoul(end + 1, &end, 16);
    return *end == '\0';
}

static int usage(void)
{
    fprintf(stderr, "usage: screen_probe read X,Y... | snap FILE | watch SECONDS X,Y=RRGGBB... -- PROGRAM ARGS...\n");
    return 2;
}

static int snap(Display* display, Window root, const char* file)
{
    XWindowAttributes a;
    XGetWindowAttributes(display, root, &a);
    XImage* image = XGetImage(display, root, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    FILE* out = fopen(file, "wb");
    if (!image || !out) {
        fprintf(stderr, "screen_probe: cannot write %s\n", file);
        return 1;
    }
    fprintf(out, "P6\n%d %d\n255\n", a.width, a.height);
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8), (unsigned char)p};
            fwrite(rgb, 1, 3, out);
        }
    }
    fclose(out);
    XDestroyImage(image);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "screen_probe: cannot open the display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);

    if (strcmp(argv[1], "snap") == 0) return snap(display, root, argv[2]);
    if (strcmp(argv[1], "read") == 0) {
        for (int i = 2; i < argc; ++i) {
            struct Point p;
            if (!parse_point(argv[i], &p, 0)) return usage();
            printf("%d,%d %06lx\n", p.x, p.y, colour_at(display, root, p.x, p.y));
        }
        return 0;
    }
    if (strcmp(argv[1], "watch") != 0) return usage();

    const double timeout = atof(argv[2]) * 1000.0;
    struct Point points[kMaxPoints];
    int count = 0;
    int i = 3;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (count == kMaxPoints || !parse_point(argv[i], &points[count], 1)) return usage();
        ++count;
    }
    if (i + 1 >= argc || count == 0) return usage();
    char** program = argv + i + 1;

    fflush(stdout);
    const double start = now_ms();
    const pid_t child = fork();
    if (child < 0) {
        perror("screen_probe: fork");
        return 1;
    }
    if (child == 0) {
        execv(program[0], program);
        fprintf(stderr, "screen_probe: cannot run %s: %s\n", program[0], strerror(errno));
        _exit(127);
    }
    printf("pid %d\n", (int)child);
    fflush(stdout);

    int left = count;
    const struct timespec pause = {0, 500 * 1000};
    while (left > 0 && now_ms() - start < timeout) {
        int status;
        if (waitpid(child, &status, WNOHANG) == child) break; /* ended before showing everything */
        for (int k = 0; k < count; ++k) {
            if (points[k].found >= 0) continue;
            if (colour_at(display, root, points[k].x, points[k].y) == points[k].want) {
                points[k].found = now_ms() - start;
                --left;
            }
        }
        nanosleep(&pause, NULL);
    }
    for (int k = 0; k < count; ++k) {
        if (points[k].found >= 0) {
            printf("%d,%d %.1f\n", points[k].x, points[k].y, points[k].found);
        } else {
            printf("%d,%d timeout\n", points[k].x, points[k].y);
        }
    }
    fflush(stdout);
    XCloseDisplay(display);
    while (waitpid(child, NULL, 0) < 0 && errno == EINTR) {
    }
    return left == 0 ? 0 : 1;
}
