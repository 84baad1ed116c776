/* Preloaded ahead of libumockdev-preload for a program that runs among umockdev's fake devices.
 *
 * umockdev 0.17 resolves a path inside its test bed and then cuts the test bed's folder off the
 * front of the result, also when the result lies outside it, as every emulated terminal does (its
 * node is a link to a pseudo-terminal in /dev/pts): it then moves a length that underflowed and
 * writes far past the caller's buffer. Here the kernel resolves the path instead: the path is opened
 * (umockdev sends it into the test bed) without opening the device, and what the descriptor is open
 * on is read back; the test bed's folder is cut off only where it is there.
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

char *realpath(const char *path, char *resolved)
{
    int fd = open(path, O_PATH | O_CLOEXEC);
    if (fd < 0) return NULL;
    char link[32], target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t len = readlink(link, target, sizeof target - 1);
    close(fd);
    if (len < 0) return NULL;
    target[len] = '\0';

    const char *bed = getenv("UMOCKDEV_DIR");
    const char *shown = target;
    size_t bedLen = bed ? strlen(bed) : 0;
    if (bedLen > 0 && strncmp(target, bed, bedLen) == 0 && target[bedLen] == '/') shown = target + bedLen;
    if (resolved == NULL) return strdup(shown);
    memmove(resolved, shown, strlen(shown) + 1);
    return resolved;
}

/* What _FORTIFY_SOURCE builds call, and the GNU name for realpath(path, NULL); umockdev wraps both. */
char *__realpath_chk(const char *path, char *resolved, size_t resolvedLen)
{
    (void)resolvedLen;
    return realpath(path, resolved);
}

char *canonicalize_file_name(const char *path) { return realpath(path, NULL); }
