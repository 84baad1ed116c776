/* LD_PRELOAD library that gives pseudo-terminals the DTR and RTS lines they lack, so that Wine's
 * EscapeCommFunction works on a socat pty and the tests can read what the program did to the lines.
 *
 * Everything is driven by the folder named in PTYEMU_DIR (without it the library only passes calls
 * on):
 *   lines.log     every event, one line each, in order:
 *                 "/dev/pts/N open", "/dev/pts/N close", "/dev/pts/N DTR=0", "/dev/pts/N RTS=1",
 *                 "/dev/pts/N unchanged" (a line write that changed nothing),
 *                 "/dev/pts/N busy" (an open refused because the pty is exclusive and open),
 *                 "/dev/pts/N TIOCMGET errno 5" (a refused line call),
 *                 "refused /dev/ttyS0" (see below)
 *   times.log     the same events, each after the CLOCK_MONOTONIC time it was logged at, in
 *                 nanoseconds: "12345678901234 /dev/pts/N DTR=1" (for benchmarks; Python's
 *                 time.monotonic_ns() reads the same clock)
 *   state-N       the current line bits of pty N; shared because wineserver opens the device and
 *                 the program's own process drives the lines on a descriptor passed to it
 *   exclusive     while it exists, a pty that is already open cannot be opened again (EBUSY):
 *                 Wine ignores share modes on devices, real COM ports are exclusive
 *   unplugged     while it exists, every line call fails like a removed USB adapter's: with EIO,
 *                 or with the errno number the file holds
 *   hangup        descriptors opened before this file was made fail every line call with EIO, as
 *                 the terminal of a device reset under them does; a new open works
 *
 * Opening a pty raises both lines, as opening a real serial port does.
 *
 * Safety net: while PTYEMU_DIR is set, real serial and console devices cannot be opened at all.
 * Wine maps every serial device it finds (the machine's /dev/ttyS0, here the console) to a COM
 * number by itself, and lists it among the system's ports: access() does not find them either.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#define LINE_BITS (TIOCM_DTR | TIOCM_RTS)
#define MAX_TRACKED_FD 4096

/* pts number + 1 of each descriptor this process opened on a pty, 0 for others */
static int g_openPty[MAX_TRACKED_FD];
/* when each of them was opened, CLOCK_REALTIME in nanoseconds, as file times are kept */
static long long g_openedAt[MAX_TRACKED_FD];

static const char *ctl_dir(void)
{
    const char *dir = getenv("PTYEMU_DIR");
    return dir && *dir ? dir : NULL;
}

static void ctl_path(char *out, size_t size, const char *name)
{
    snprintf(out, size, "%s/%s", ctl_dir(), name);
}

static int ctl_exists(const char *name)
{
    char path[PATH_MAX];
    ctl_path(path, sizeof path, name);
    return access(path, F_OK) == 0;
}

/* Number of the pty behind fd, or -1 when fd is no pty slave (character majors 136-143). */
static int pty_number(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return -1;
    unsigned int major = major(st.st_rdev);
    if (major < 136 || major > 143) return -1;
    return (int)((major - 136) * 256 + minor(st.st_rdev));
}

/* dlsym returns an object pointer; POSIX allows reading it as a function pointer as done here */
static int (*real_open(void))(const char *, int, ...)
{
    static int (*fn)(const char *, int, ...);
    if (!fn) *(void **)&fn = dlsym(RTLD_NEXT, "open");
    return fn;
}

static void append_line(const char *file, const char *line, int len)
{
    char path[PATH_MAX];
    ctl_path(path, sizeof path, file);
    int fd = real_open()(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    /* one write per line keeps lines whole when wineserver and the program both log */
    if (write(fd, line, (size_t)len) < 0) { /* nothing sensible to do */ }
    close(fd);
}

/* A line about pty N, or about no pty when N < 0. */
static void log_event(int pty, const char *what)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[PATH_MAX + 64], timed[PATH_MAX + 96];
    int len = pty < 0 ? snprintf(line, sizeof line, "%s\n", what)
                      : snprintf(line, sizeof line, "/dev/pts/%d %s\n", pty, what);
    append_line("lines.log", line, len);
    int timedLen = snprintf(timed, sizeof timed, "%lld %s",
                            (long long)now.tv_sec * 1000000000LL + now.tv_nsec, line);
    append_line("times.log", timed, timedLen);
}

/* The number a control file holds, or fallback when it is missing or empty. */
static int read_number(const char *file, int fallback)
{
    char path[PATH_MAX], buf[16] = {0};
    ctl_path(path, sizeof path, file);
    int fd = real_open()(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fallback;
    ssize_t n = read(fd, buf, sizeof buf - 1);
    close(fd);
    return n > 0 ? atoi(buf) : fallback;
}

static int read_state(int pty)
{
    char name[32];
    snprintf(name, sizeof name, "state-%d", pty);
    return read_number(name, LINE_BITS);
}

static void write_state(int pty, int bits)
{
    char name[32], path[PATH_MAX], buf[16];
    snprintf(name, sizeof name, "state-%d", pty);
    ctl_path(path, sizeof path, name);
    int fd = real_open()(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    int len = snprintf(buf, sizeof buf, "%d", bits);
    if (write(fd, buf, (size_t)len) < 0) { /* state stays as it was */ }
    close(fd);
}

static int count_open(int pty)
{
    int n = 0;
    for (int i = 0; i < MAX_TRACKED_FD; i++)
        if (g_openPty[i] == pty + 1) n++;
    return n;
}

/* ttyS and virtual consoles (4), /dev/tty and /dev/console (5:0, 5:1), ttyACM (166), ttyUSB (188) */
static int is_real_serial(dev_t dev)
{
    unsigned int major = major(dev), minor = minor(dev);
    return major == 4 || (major == 5 && minor <= 1) || major == 166 || major == 188;
}

/* The serial ports Wine looks for with access(): ttyS (4, from 64 on), ttyACM, ttyUSB. */
static int is_serial_port(dev_t dev)
{
    unsigned int major = major(dev), minor = minor(dev);
    return (major == 4 && minor >= 64) || major == 166 || major == 188;
}

/* Checked before the open: opening a real port already raises its lines. */
static int refused(int dirfd, const char *path)
{
    struct stat st;
    if (!ctl_dir() || fstatat(dirfd, path, &st, 0) != 0 || !S_ISCHR(st.st_mode) || !is_real_serial(st.st_rdev))
        return 0;
    char what[PATH_MAX + 16];
    snprintf(what, sizeof what, "refused %s", path);
    log_event(-1, what);
    errno = EACCES;
    return 1;
}

/* Bookkeeping after an open of anything: refuse a second open in exclusive mode. */
static int after_open(int fd)
{
    if (fd < 0 || !ctl_dir()) return fd;
    int pty = pty_number(fd);
    if (pty < 0) return fd;
    if (ctl_exists("exclusive") && count_open(pty) > 0) {
        close(fd);
        log_event(pty, "busy");
        errno = EBUSY;
        return -1;
    }
    if (fd < MAX_TRACKED_FD) {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        g_openPty[fd] = pty + 1;
        g_openedAt[fd] = (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
    }
    write_state(pty, LINE_BITS);
    log_event(pty, "open");
    return fd;
}

static mode_t mode_arg(int flags, va_list ap)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int open(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return refused(AT_FDCWD, path) ? -1 : after_open(real_open()(path, flags, mode));
}

/* The same call on 64-bit systems, where the large-file flag changes nothing. */
int open64(const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return open(path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    static int (*fn)(int, const char *, int, ...);
    if (!fn) *(void **)&fn = dlsym(RTLD_NEXT, "openat");
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return refused(dirfd, path) ? -1 : after_open(fn(dirfd, path, flags, mode));
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    return openat(dirfd, path, flags, mode);
}

int access(const char *path, int mode)
{
    static int (*fn)(const char *, int);
    if (!fn) *(void **)&fn = dlsym(RTLD_NEXT, "access");
    struct stat st;
    if (ctl_dir() && stat(path, &st) == 0 && S_ISCHR(st.st_mode) && is_serial_port(st.st_rdev)) {
        errno = ENOENT;
        return -1;
    }
    return fn(path, mode);
}

/* _FORTIFY_SOURCE builds call these for opens without a mode */
int __open_2(const char *path, int flags) { return open(path, flags); }
int __open64_2(const char *path, int flags) { return open(path, flags); }

int close(int fd)
{
    static int (*fn)(int);
    if (!fn) *(void **)&fn = dlsym(RTLD_NEXT, "close");
    if (fd >= 0 && fd < MAX_TRACKED_FD && g_openPty[fd]) {
        int pty = g_openPty[fd] - 1;
        g_openPty[fd] = 0;
        if (ctl_dir() && count_open(pty) == 0) log_event(pty, "close");
    }
    return fn(fd);
}

/* Whether fd was opened (by this process) before the hangup file was made. */
static int hung_up(int fd)
{
    char path[PATH_MAX];
    struct stat st;
    ctl_path(path, sizeof path, "hangup");
    if (fd < 0 || fd >= MAX_TRACKED_FD || !g_openPty[fd] || stat(path, &st) != 0) return 0;
    return g_openedAt[fd] < (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
}

static int line_ioctl(int fd, int pty, unsigned long request, int *arg)
{
    static const char *const names[] = {"TIOCMGET", "TIOCMSET", "TIOCMBIS", "TIOCMBIC"};
    const char *name = names[request == TIOCMSET ? 1 : request == TIOCMBIS ? 2 : request == TIOCMBIC ? 3 : 0];
    if (ctl_exists("unplugged") || hung_up(fd)) {
        int err = hung_up(fd) ? EIO : read_number("unplugged", EIO);
        char what[64];
        snprintf(what, sizeof what, "%s errno %d", name, err);
        log_event(pty, what);
        errno = err;
        return -1;
    }
    int before = read_state(pty);
    if (request == TIOCMGET) {
        *arg = before;
        return 0;
    }
    int after = request == TIOCMSET ? (*arg & LINE_BITS)
              : request == TIOCMBIS ? (before | (*arg & LINE_BITS))
              : (before & ~(*arg & LINE_BITS));
    write_state(pty, after);
    if (before == after) log_event(pty, "unchanged");
    if ((before ^ after) & TIOCM_DTR) log_event(pty, after & TIOCM_DTR ? "DTR=1" : "DTR=0");
    if ((before ^ after) & TIOCM_RTS) log_event(pty, after & TIOCM_RTS ? "RTS=1" : "RTS=0");
    return 0;
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*fn)(int, unsigned long, ...);
    if (!fn) *(void **)&fn = dlsym(RTLD_NEXT, "ioctl");
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if ((request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC) && ctl_dir()) {
        int pty = pty_number(fd);
        if (pty >= 0) return line_ioctl(fd, pty, request, (int *)arg);
    }
    return fn(fd, request, arg);
}
