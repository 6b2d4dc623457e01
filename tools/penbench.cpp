// penbench: times the console read-out against the pen simulator at real
// 2400-baud pacing, for 1, 50 and 200 stored codes, with the default settings
// (Timeout 10 s, shorter than the 200 codes' reply), and prints
//   - wall time divided by the protocol's lower bound (per command, the
//     reply's time on the wire rounded up to the next 500 ms look),
//   - the program's CPU time divided by its wall time,
//   - the program's peak resident set size.
// usage: penbench [--program PATH] [--pensim PATH] [COUNT...]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kByteSeconds = 11.0 / 2400.0;  // start, 8 data, parity, stop bits
constexpr double kLook = 0.5;                   // a command looks at its reply every 500 ms
constexpr int kCodeLength = 13;                 // the simulator's generated codes

double Rounded(double wire) {
    return std::max(1.0, std::ceil(wire / kLook - 1e-9)) * kLook;
}

// Wake-up (22 bytes), code upload (header, blocks, closing byte, check
// byte) and sleep (3 bytes), as the simulator answers them.
double LowerBound(int codes) {
    const int upload = 14 + codes * (kCodeLength + 2) + 2;
    return Rounded(22 * kByteSeconds) + Rounded(upload * kByteSeconds) + Rounded(3 * kByteSeconds);
}

[[noreturn]] void Die(const std::string& what) {
    std::cerr << "penbench: " << what << std::endl;
    std::exit(2);
}

struct Sim {
    pid_t pid = -1;
    std::string pty;
};

Sim StartSim(const std::string& pensim, int codes, const fs::path& work) {
    const fs::path out = work / "sim.out";
    Sim sim;
    std::fflush(stdout);
    sim.pid = fork();
    if (sim.pid == 0) {
        std::freopen(out.c_str(), "w", stdout);
        const std::string n = std::to_string(codes);
        execl(pensim.c_str(), pensim.c_str(), "--generate", n.c_str(), "--pace", "real",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 200 && sim.pty.empty(); ++i) {
        usleep(20000);
        std::ifstream in(out);
        std::getline(in, sim.pty);
    }
    if (sim.pty.empty()) Die("the simulator did not start");
    return sim;
}

struct Run {
    double wall = 0, cpu = 0;
    long maxRssKb = 0;
    int status = 0;
};

Run RunProgram(const std::string& program, const std::string& pty, const fs::path& work) {
    Run r;
    const auto start = std::chrono::steady_clock::now();
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
        std::freopen((work / "out.txt").c_str(), "w", stdout);
        const std::string port = "/P:" + pty;
        execl(program.c_str(), program.c_str(), "/S", port.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    rusage usage{};
    if (wait4(pid, &r.status, 0, &usage) != pid) Die("wait4 failed");
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec / 1e6;
    r.maxRssKb = usage.ru_maxrss;
    return r;
}

int CountLines(const fs::path& file, const std::string& prefix) {
    std::ifstream in(file);
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path self = fs::read_symlink("/proc/self/exe").parent_path();
    std::string program = (self / ".." / "app" / "stylorix").string();
    std::string pensim = (self / "pensim").string();
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (a == "--pensim" && i + 1 < argc) {
            pensim = argv[++i];
        } else if (!a.empty() && a.find_first_not_of("0123456789") == std::string::npos) {
            counts.push_back(std::stoi(a));
        } else {
            std::fprintf(stderr, "usage: penbench [--program PATH] [--pensim PATH] [COUNT...]\n");
            return 2;
        }
    }
    if (counts.empty()) counts = {1, 50, 200};

    std::printf("%6s %9s %9s %7s %7s %8s\n", "codes", "wall s", "bound s", "ratio", "cpu %",
                "rss MB");
    int failures = 0;
    for (int codes : counts) {
        const fs::path work = fs::temp_directory_path() / ("penbench-" + std::to_string(getpid()));
        fs::remove_all(work);
        // No stored settings: the default time-out, as a new user has it.
        fs::create_directories(work / "config");
        Sim sim = StartSim(pensim, codes, work);
        Run r = RunProgram(program, sim.pty, work);
        kill(sim.pid, SIGTERM);
        waitpid(sim.pid, nullptr, 0);
        const int listed = CountLines(work / "out.txt", "65;");
        const double bound = LowerBound(codes);
        std::printf("%6d %9.3f %9.3f %7.3f %7.3f %8.2f%s\n", codes, r.wall, bound, r.wall / bound,
                    100.0 * r.cpu / r.wall, r.maxRssKb / 1024.0,
                    listed == codes ? "" : "  (codes missing!)");
        failures += listed != codes || !WIFEXITED(r.status) || WEXITSTATUS(r.status) != 0;
        fs::remove_all(work);
    }
    std::printf("goals: ratio <= 1.05, cpu <= 1 %%, rss <= 6 MB\n");
    return failures ? 1 : 0;
}
