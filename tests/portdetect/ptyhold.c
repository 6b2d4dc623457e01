/* Maps Wine COM ports to fresh pseudo-terminals for the length of one command:
 *   ptyhold DOSDEVICES comN [comM ...] -- COMMAND [ARGS ...]
 * Opens one pseudo-terminal per port, points DOSDEVICES/comN at its slave,
 * runs the command, removes the links and exits with the command's status. */
#define _XOPEN_SOURCE 600
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: ptyhold DOSDEVICES comN [comM ...] -- COMMAND [ARGS ...]\n");
        return 2;
    }
    const char* dir = argv[1];
    int sep = 2;
    while (sep < argc && strcmp(argv[sep], "--") != 0) ++sep;
    if (sep >= argc - 1 || sep == 2) {
        fprintf(stderr, "ptyhold: ports and a command are needed\n");
        return 2;
    }
    char links[16][4096];
    int ports = sep - 2;
    if (ports > 16) ports = 16;
    for (int i = 0; i < ports; ++i) {
        /* The master stays open (and is inherited) until the command ends. */
        int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            perror("ptyhold: posix_openpt");
            return 2;
        }
        const char* slave = ptsname(master);
        snprintf(links[i], sizeof links[i], "%s/%s", dir, argv[2 + i]);
        unlink(links[i]);
        if (!slave || symlink(slave, links[i]) != 0) {
            perror("ptyhold: symlink");
            return 2;
        }
        printf("ptyhold: %s -> %s\n", argv[2 + i], slave);
    }
    fflush(stdout);
    int status = 2;
    pid_t child = fork();
    if (child == 0) {
        execvp(argv[sep + 1], argv + sep + 1);
        perror("ptyhold: exec");
        _exit(127);
    }
    if (child > 0 && waitpid(child, &status, 0) == child)
        status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    for (int i = 0; i < ports; ++i) unlink(links[i]);
    return status;
}
