/* The floor of a walk over a card: a bare C program that reads a folder and
 * every folder below it once each, with getdents and nothing else (no stat,
 * no sort, no name decoded), and prints how many entries it saw. Started as
 * a process of its own, it is also the least a command-line tool that reads
 * the same folders costs, its start-up included. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long walk(int dirFd)
{
    DIR *dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return -1;
    }
    long entries = 0;
    const struct dirent *entry;
    while ((entry = readdir(dir))) {
        if (entry->d_name[0] == '.')
            continue;
        ++entries;
        if (entry->d_type != DT_DIR)
            continue;
        const int childFd = openat(dirfd(dir), entry->d_name,
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (childFd < 0)
            continue;
        const long below = walk(childFd);
        if (below < 0) {
            closedir(dir);
            return -1;
        }
        entries += below;
    }
    closedir(dir);
    return entries;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fputs("usage: readdir_tree FOLDER\n", stderr);
        return 2;
    }
    const int rootFd = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const long entries = rootFd < 0 ? -1 : walk(rootFd);
    if (entries < 0) {
        perror(argv[1]);
        return 2;
    }
    printf("%ld\n", entries);
    return 0;
}
