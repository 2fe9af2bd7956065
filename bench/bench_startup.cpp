// Start-up time and resident size of Kelmora against the toolkit's floor (an
// empty Qt main window), each from exec to the main window's first frame,
// median of 40 runs, on the offscreen platform and, when Xvfb is installed, on
// an X server of its own. Ratios are the median of the 40 ratios of runs made
// one after the other, with the middle half of them to show the spread. The
// floor with one line of Japanese text, which pays for starting the Japanese
// fonts as well, is the one that counts: the goal is within 1.15 times its
// time and its resident size, under X.
//
// Usage: bench_startup <kelmora probe> <floor probe>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 40;
constexpr int kWarmUps = 2;
constexpr int kTimeoutMs = 30'000;

struct Run {
    double ms = 0;
    long rssKb = 0;
};

// The environment with the display variables replaced.
std::vector<std::string> Environment(const std::vector<std::string>& set)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "QT_QPA_PLATFORM" || name == "DISPLAY" || name == "WAYLAND_DISPLAY")
            continue;
        env.push_back(entry);
    }
    env.insert(env.end(), set.begin(), set.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Reads what fd says until a whole line has come, the writer has gone or the
// time is up.
std::optional<std::string> ReadLine(int fd, int timeoutMs)
{
    std::string text;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const auto nl = text.find('\n'); nl != std::string::npos)
            return text.substr(0, nl);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return std::nullopt;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        text.append(buffer, std::size_t(n));
    }
}

// Starts a program with stdout on a pipe (and stdin, stderr on /dev/null);
// extra maps further descriptors of ours onto the child's.
pid_t Spawn(const std::vector<std::string>& args, std::vector<std::string> env, int stdoutFd,
            std::pair<int, int> extra = {-1, -1}, bool searchPath = false)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (extra.first >= 0)
        posix_spawn_file_actions_adddup2(&actions, extra.first, extra.second);
    std::vector<std::string> argStrings = args;
    std::vector<char*> argv = Pointers(argStrings);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = -1;
    const int rc = searchPath ? posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data())
                              : posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Waits for a child; kills it when it has not ended after a while.
void Reap(pid_t pid)
{
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR))
            return;
        ::usleep(10'000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

using Command = std::vector<std::string>;

std::optional<Run> RunOnce(const Command& command, const std::vector<std::string>& env)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    const auto start = Clock::now();
    const pid_t pid = Spawn(command, env, fds[1]);
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    const std::optional<std::string> line = ReadLine(fds[0], kTimeoutMs);
    const auto stop = Clock::now();
    ::close(fds[0]);
    Reap(pid);
    Run run;
    if (!line || std::sscanf(line->c_str(), "EXPOSED %ld", &run.rssKb) != 1)
        return std::nullopt;
    run.ms = std::chrono::duration<double, std::milli>(stop - start).count();
    return run;
}

// The value below which the given share of v lies (0.5: the median).
template <typename T>
T Quantile(std::vector<T> v, double share)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(share * double(v.size())))];
}

template <typename T>
T Median(std::vector<T> v)
{
    return Quantile(std::move(v), 0.5);
}

struct Figures {
    double ms;
    double rssMb;
};

// Kelmora's figures over a floor's; the middle half of the time ratios lies
// between timeLow and timeHigh.
struct Ratios {
    double time, memory;
    double timeLow, timeHigh;
};

// The programs in turn, so that a busy moment of the machine hits them alike.
// Empty when one of them did not show its window.
std::vector<std::vector<Run>> Measure(const std::vector<Command>& commands, const std::vector<std::string>& env)
{
    for (int i = 0; i < kWarmUps; ++i)
        for (const Command& c : commands)
            RunOnce(c, env);
    std::vector<std::vector<Run>> runs(commands.size());
    for (int i = 0; i < kRuns; ++i)
        for (std::size_t p = 0; p < commands.size(); ++p) {
            const auto run = RunOnce(commands[p], env);
            if (!run)
                return {};
            runs[p].push_back(*run);
        }
    return runs;
}

Figures Medians(const std::vector<Run>& runs)
{
    std::vector<double> ms;
    std::vector<long> rss;
    for (const Run& run : runs) {
        ms.push_back(run.ms);
        rss.push_back(run.rssKb);
    }
    return {Median(ms), double(Median(rss)) / 1024};
}

// The median of the ratios of runs made one right after the other: a slow
// stretch of a shared machine then slows both sides of a ratio, where it would
// move only one of two separate medians.
Ratios PairedRatios(const std::vector<Run>& runs, const std::vector<Run>& floor)
{
    std::vector<double> ms, rss;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        ms.push_back(runs[i].ms / floor[i].ms);
        rss.push_back(double(runs[i].rssKb) / double(floor[i].rssKb));
    }
    return {Median(ms), Median(rss), Quantile(ms, 0.25), Quantile(ms, 0.75)};
}

void Compare(const char* platform, const std::string& kelmora, const std::string& floor,
             const std::vector<std::string>& env)
{
    const std::vector<std::vector<Run>> runs = Measure({{floor}, {floor, "--text"}, {kelmora}}, env);
    if (runs.empty()) {
        std::printf("startup (%s): a program did not show its window; skipped\n", platform);
        return;
    }
    const Figures bare = Medians(runs[0]), text = Medians(runs[1]), k = Medians(runs[2]);
    const Ratios toText = PairedRatios(runs[2], runs[1]), toBare = PairedRatios(runs[2], runs[0]);
    constexpr double kGoal = 1.15;
    std::printf("startup (%s), exec to first frame, median of %d:\n", platform, kRuns);
    std::printf("  time:   Qt floor %6.1f ms, with a Japanese label %6.1f ms, Kelmora %6.1f ms\n", bare.ms, text.ms,
                k.ms);
    std::printf("          Kelmora / labelled floor %5.3f (goal: within %.2fx) %s; / floor %5.2f\n", toText.time, kGoal,
                toText.time <= kGoal ? "met" : "MISSED", toBare.time);
    std::printf("          (the middle half of the ratios to the labelled floor: %.2f to %.2f)\n", toText.timeLow,
                toText.timeHigh);
    std::printf("  memory: Qt floor %6.1f MB, with a Japanese label %6.1f MB, Kelmora %6.1f MB (VmRSS then)\n",
                bare.rssMb, text.rssMb, k.rssMb);
    std::printf("          Kelmora / labelled floor %5.3f (goal: within %.2fx) %s; / floor %5.2f\n", toText.memory,
                kGoal, toText.memory <= kGoal ? "met" : "MISSED", toBare.memory);
    std::printf("          (ratios: the median of the ratios of runs made one after the other)\n");
}

// An X server of our own on a free display, ready when it has said its number.
struct Xvfb {
    pid_t pid = -1;
    std::string display;

    bool start()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        constexpr int kChildFd = 3;
        pid =
            Spawn({"Xvfb", "-displayfd", std::to_string(kChildFd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                  Environment({}), -1, {fds[1], kChildFd}, true);
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            return false;
        }
        const auto line = ReadLine(fds[0], 10'000);
        ::close(fds[0]);
        if (!line || line->empty()) {
            stop();
            return false;
        }
        display = ":" + *line;
        return true;
    }

    void stop()
    {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            Reap(pid);
        }
        pid = -1;
    }

    ~Xvfb() { stop(); }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <kelmora probe> <floor probe>\n", argv[0]);
        return 2;
    }
    const std::string kelmora = argv[1], floor = argv[2];
    Compare("offscreen", kelmora, floor, Environment({"QT_QPA_PLATFORM=offscreen"}));

    Xvfb x;
    if (!x.start()) {
        std::printf("startup (Xvfb): no Xvfb could be started; skipped\n");
        return 0;
    }
    Compare("Xvfb", kelmora, floor, Environment({"QT_QPA_PLATFORM=xcb", "DISPLAY=" + x.display}));
    return 0;
}
