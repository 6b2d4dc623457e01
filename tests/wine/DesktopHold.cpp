// desktophold: holds the desktop of the tests' Wine prefix for a whole test
// run (scripts/wine-session starts it, the end of Wine's server ends it).
// Wine starts the desktop's process from the first program that needs a
// desktop and hands it that program's standard error; it ends a second after
// the last program on the desktop is gone. Started from a test, it would keep
// CTest's pipe open, and the test counted as running, until then. Started
// from here it holds nothing of CTest's, and never ends while we hold on.
#include <windows.h>

#include <cstdio>

int main() {
    if (!GetDesktopWindow()) {
        std::fputs("desktophold: no desktop\n", stderr);
        return 1;
    }
    std::puts("held");  // the desktop is up
    std::fflush(stdout);
    Sleep(INFINITE);
}
