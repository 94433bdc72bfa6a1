// Starts a program and reports, in one line: the time from exec to the map of its top-level
// window with the given title, its resident memory settleMs after exec, and the CPU it used
// while idle from then on for idleMs.
// Usage: window_clock <title> <settleMs> <idleMs> <program> [args...]   (under X)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string WindowTitle(Display *display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char *name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

// Fields 14 and 15 (user and system time) of /proc/<pid>/stat, in ms.
long CpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::string::size_type close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number >= 14)
            ticks += std::atol(field.c_str());
    return ticks * 1000 / sysconf(_SC_CLK_TCK);
}

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: window_clock <title> <settleMs> <idleMs> <program> [args...]\n");
        return 2;
    }
    const std::string wanted = argv[1];
    const int settleMs = std::atoi(argv[2]);
    const int idleMs = std::atoi(argv[3]);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_clock: no display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[4], argv + 4);
        _exit(127);
    }
    double mappedMs = -1;
    while (mappedMs < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && WindowTitle(display, event.xmap.window) == wanted)
            mappedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    std::this_thread::sleep_until(start + std::chrono::milliseconds(settleMs));
    const long rss = RssKb(pid);
    const long cpuBefore = CpuMs(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    const long idleCpu = CpuMs(pid) - cpuBefore;
    std::printf("mapped_ms %.1f rss_kb %ld idle_cpu_ms %ld\n", mappedMs, rss, idleCpu);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
