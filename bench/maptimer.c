// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
/* Times a program's start as a user sees it: from exec until the X server maps its first window.
 * Runs it once to warm up, then RUNS times, and prints each time, the median and the resident
 * memory of the process once its window is up.
 *   maptimer RUNS PROGRAM [ARGUMENTS...]      (DISPLAY must name a server without other clients)
 * Built by scripts/startup-time.sh: cc -O2 maptimer.c -lX11 */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

/* Waits for the next top-level window to be mapped; returns 0 when none comes in time. */
static int wait_for_map(Display *display, double deadline)
{
    struct pollfd connection = { ConnectionNumber(display), POLLIN, 0 };
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                return 1;
            }
        }
        const double left = deadline - now_ms();
        if (left <= 0 || poll(&connection, 1, (int)left + 1) < 0) {
            return 0;
        }
    }
}

/* The process's resident memory in kB, from /proc; -1 when it cannot be read. */
static long resident_kb(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *status = fopen(path, "r");
    if (!status) {
        return -1;
    }
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, status)) {
        if (strncmp(line, "VmRSS:", 6) == 0) {
            kb = strtol(line + 6, NULL, 10);
        }
    }
    fclose(status);
    return kb;
}

static int by_value(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

/* One start: returns the time to the map in ms (negative on failure), and the memory after it. */
static double run_once(Display *display, char **argv, long *kb)
{
    const double start = now_ms();
    const pid_t child = fork();
    if (child < 0) {
        perror("fork");
        return -1;
    }
    if (child == 0) {
        /* started as from a desktop: its log goes nowhere */
        const int nowhere = open("/dev/null", O_WRONLY);
        dup2(nowhere, STDOUT_FILENO);
        dup2(nowhere, STDERR_FILENO);
        execv(argv[0], argv);
        perror(argv[0]);
        _exit(127);
    }
    const int mapped = wait_for_map(display, start + 10000);
    const double elapsed = now_ms() - start;
    if (mapped) {
        /* let it finish its first frames before reading its memory */
        const struct timespec settle = { 0, 500 * 1000 * 1000 };
        nanosleep(&settle, NULL);
        *kb = resident_kb(child);
    }
    kill(child, SIGTERM);
    waitpid(child, NULL, 0);
    XSync(display, True); /* drop the events of its windows going away */
    return mapped ? elapsed : -1;
}

int main(int argc, char **argv)
{
    if (argc < 3 || atoi(argv[1]) < 1) {
        fprintf(stderr, "usage: maptimer RUNS PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    Display *display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "maptimer: cannot open the X display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);

    long kb = -1;
    if (run_once(display, argv + 2, &kb) < 0) {
        fprintf(stderr, "maptimer: %s did not map a window\n", argv[2]);
        return 1;
    }
    double *times = calloc((size_t)runs, sizeof *times);
    long max_kb = 0;
    printf("ms to window mapped:");
    for (int i = 0; i < runs; ++i) {
        times[i] = run_once(display, argv + 2, &kb);
        if (times[i] < 0) {
            fprintf(stderr, "\nmaptimer: %s did not map a window\n", argv[2]);
            return 1;
        }
        if (kb > max_kb) {
            max_kb = kb;
        }
        printf(" %.1f", times[i]);
        fflush(stdout);
    }
    qsort(times, (size_t)runs, sizeof *times, by_value);
    const double median = runs % 2 ? times[runs / 2] : (times[runs / 2 - 1] + times[runs / 2]) / 2;
    printf("\nmedian %.1f ms, min %.1f ms, max %.1f ms; resident memory after start: %.1f MB\n",
        median, times[0], times[runs - 1], max_kb / 1024.0);
    free(times);
    XCloseDisplay(display);
    return 0;
}
