/* An LD_PRELOAD shim for the serial tests: gives pseudo-terminals the modem
 * lines and the parity setting that a real serial port has.
 *
 * - On a pty slave, TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC work: RTS and DTR are
 *   the slave's own lines; CTS, DSR, CD and RI are what the other end set.
 *   TIOCGICOUNT answers the counters kept in the shared state.
 * - On a pty master, the same calls are the other end of a null-modem cable:
 *   TIOCMGET shows the slave's RTS as CTS and its DTR as DSR and CD; setting
 *   CTS, DSR, CD or RI sets what the slave sees.
 * - tcsetattr on a slave keeps the parity, stop-bit and size bits that the pty
 *   driver drops, and tcgetattr reports them back.
 *
 * The state of pts N lives in the file "pts<N>" under $STYLORIX_PTYSHIM_DIR
 * (default /tmp/stylorix-ptyshim), so the processes at both ends share it.
 * Built natively only: under Wine the serial calls come from Wine's unix side,
 * a native process. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include "ptyshim.h"

#define KEPT_CFLAG (PARENB | PARODD | CMSPAR | CSTOPB | CSIZE)
#define OUT_LINES (TIOCM_RTS | TIOCM_DTR)
#define IN_LINES (TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG)

typedef int (*ioctl_fn)(int, unsigned long, ...);
typedef int (*tcsetattr_fn)(int, int, const struct termios*);
typedef int (*tcgetattr_fn)(int, struct termios*);

/* dlsym gives an object pointer; copy it into the function pointer. */
static void* next_symbol(const char* name, void* fn) {
    void* p = dlsym(RTLD_NEXT, name);
    memcpy(fn, &p, sizeof p);
    return p;
}

static ioctl_fn real_ioctl(void) {
    static ioctl_fn fn;
    if (!fn) next_symbol("ioctl", &fn);
    return fn;
}

/* -1: not a pty; else the pts number; *master tells which end, *node which
 * pty it is (a new pty under an old number has a new device node). */
static int pty_index(int fd, int* master, ino_t* node) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return -1;
    const unsigned maj = major(st.st_rdev);
    *node = st.st_ino;
    if (maj >= 136 && maj <= 143) {
        *master = 0;
        return (int)((maj - 136) * 256 + minor(st.st_rdev));
    }
    if (maj == 5 && minor(st.st_rdev) == 2) {
        unsigned n = 0;
        if (real_ioctl()(fd, TIOCGPTN, &n) != 0) return -1;
        *master = 1;
        *node = 0;
        return (int)n;
    }
    return -1;
}

static struct shim_state* map_file(int n) {
    const char* dir = getenv("STYLORIX_PTYSHIM_DIR");
    char path[512];
    if (!dir || !*dir) dir = "/tmp/stylorix-ptyshim";
    mkdir(dir, 0700);
    snprintf(path, sizeof path, "%s/pts%d", dir, n);
    const int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return NULL;
    struct stat st;
    if (fstat(fd, &st) != 0 || (st.st_size < (off_t)sizeof(struct shim_state) &&
                                ftruncate(fd, sizeof(struct shim_state)) != 0)) {
        close(fd);
        return NULL;
    }
    void* p = mmap(NULL, sizeof(struct shim_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return p == MAP_FAILED ? NULL : (struct shim_state*)p;
}

/* The state of pts n. A slave's state stays mapped for the process (the
 * worker polls the lines often); a replaced mapping is left in place, as
 * another thread may still use it. */
#define CACHED_PTS 1024
static struct {
    ino_t node;
    struct shim_state* state;
} cache[CACHED_PTS];
static pthread_mutex_t cache_lock = PTHREAD_MUTEX_INITIALIZER;

static struct shim_state* map_state(int n, ino_t node) {
    if (node == 0 || n >= CACHED_PTS) return map_file(n);
    pthread_mutex_lock(&cache_lock);
    struct shim_state* s = cache[n].state;
    if (!s || cache[n].node != node) {
        s = map_file(n);
        if (s) {
            cache[n].state = s;
            cache[n].node = node;
        }
    }
    pthread_mutex_unlock(&cache_lock);
    return s;
}

static void unmap_state(struct shim_state* s, ino_t node) {
    if (node == 0) munmap(s, sizeof *s);
}

static int modem_call(int fd, unsigned long request, int* arg) {
    int master = 0;
    ino_t node = 0;
    const int n = pty_index(fd, &master, &node);
    if (n < 0) return real_ioctl()(fd, request, arg);
    struct shim_state* s = map_state(n, node);
    if (!s) {
        errno = EIO;
        return -1;
    }
    if (request == TIOCMGET) {
        const int out = __atomic_load_n(&s->slave_out, __ATOMIC_SEQ_CST);
        const int in = __atomic_load_n(&s->slave_in, __ATOMIC_SEQ_CST);
        if (master)
            *arg = ((out & TIOCM_RTS) ? TIOCM_CTS : 0) |
                   ((out & TIOCM_DTR) ? (TIOCM_DSR | TIOCM_CAR) : 0);
        else
            *arg = out | in;
    } else {
        int32_t* field = master ? &s->slave_in : &s->slave_out;
        const int mask = master ? IN_LINES : OUT_LINES;
        const int bits = *arg & mask;
        if (request == TIOCMSET)
            __atomic_store_n(field, bits, __ATOMIC_SEQ_CST);
        else if (request == TIOCMBIS)
            __atomic_fetch_or(field, bits, __ATOMIC_SEQ_CST);
        else
            __atomic_fetch_and(field, ~bits, __ATOMIC_SEQ_CST);
    }
    unmap_state(s, node);
    return 0;
}

static int counter_call(int fd, struct serial_icounter_struct* out) {
    int master = 0;
    ino_t node = 0;
    const int n = pty_index(fd, &master, &node);
    if (n < 0 || master) return real_ioctl()(fd, TIOCGICOUNT, out);
    struct shim_state* s = map_state(n, node);
    if (!s) {
        errno = EIO;
        return -1;
    }
    memcpy(out, &s->counters, sizeof *out);
    unmap_state(s, node);
    return 0;
}

int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    switch (request) {
        case TIOCMGET:
        case TIOCMSET:
        case TIOCMBIS:
        case TIOCMBIC:
            return modem_call(fd, request, (int*)arg);
        case TIOCGICOUNT:
            return counter_call(fd, (struct serial_icounter_struct*)arg);
        default:
            return real_ioctl()(fd, request, arg);
    }
}

int tcsetattr(int fd, int action, const struct termios* t) {
    static tcsetattr_fn real;
    if (!real) next_symbol("tcsetattr", &real);
    int master = 0;
    ino_t node = 0;
    const int n = pty_index(fd, &master, &node);
    if (n < 0 || master) return real(fd, action, t);
    struct shim_state* s = map_state(n, node);
    if (s) {
        __atomic_store_n(&s->cflag_set, (uint32_t)(t->c_cflag & KEPT_CFLAG), __ATOMIC_SEQ_CST);
        __atomic_store_n(&s->cflag_known, 1u, __ATOMIC_SEQ_CST);
        unmap_state(s, node);
    }
    /* Ask the pty only for what it keeps: the C library compares parity and
     * size after setting and would report EINVAL. */
    struct termios plain = *t;
    plain.c_cflag = (plain.c_cflag & ~(tcflag_t)KEPT_CFLAG) | CS8;
    return real(fd, action, &plain);
}

int tcgetattr(int fd, struct termios* t) {
    static tcgetattr_fn real;
    if (!real) next_symbol("tcgetattr", &real);
    const int result = real(fd, t);
    int master = 0;
    ino_t node = 0;
    const int n = result == 0 ? pty_index(fd, &master, &node) : -1;
    if (n >= 0 && !master) {
        struct shim_state* s = map_state(n, node);
        if (s) {
            if (__atomic_load_n(&s->cflag_known, __ATOMIC_SEQ_CST))
                t->c_cflag = (t->c_cflag & ~(tcflag_t)KEPT_CFLAG) |
                             __atomic_load_n(&s->cflag_set, __ATOMIC_SEQ_CST);
            unmap_state(s, node);
        }
    }
    return result;
}
