// Starts a program and reports, in one line: the time from exec to the map of its top-level
// window with the given title and the CPU it had used by then (a figure a busy machine
// disturbs less), the time to its first paint (the middle of the window changes), its
// resident memory settleMs after exec, and the CPU it used while idle from then on for idleMs.
// With WINDOW_CLOCK_FRAME=1 the "paint" is the first video frame instead: the lime square in
// the middle of the bench clip, in a window with the title that may already be mapped (a
// running instance the program hands its paths to).
// Usage: window_clock <title> <settleMs> <idleMs> <program> [args...]   (under X)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dirent.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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

// CPU time of all the process's threads in ms, from the scheduler's nanosecond counts (the
// tick counts of /proc/<pid>/stat are 10 ms coarse).
double CpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double total = 0;
    DIR *folder = opendir(tasks.c_str());
    if (!folder)
        return -1;
    while (const dirent *entry = readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        double ns = 0;
        if (schedstat >> ns)
            total += ns / 1e6;
    }
    closedir(folder);
    return total;
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
    const bool frame = std::getenv("WINDOW_CLOCK_FRAME") != nullptr;
    Window mapped = None;
    Window rootOut = None, parentOut = None, *children = nullptr;
    unsigned int count = 0;
    if (frame && XQueryTree(display, root, &rootOut, &parentOut, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable && WindowTitle(display, children[i]) == wanted)
                mapped = children[i];
        }
        XFree(children);
    }

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[4], argv + 4);
        _exit(127);
    }
    double mappedMs = mapped == None ? -1 : 0;
    double cpuToMap = -1;
    while (mappedMs < 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && WindowTitle(display, event.xmap.window) == wanted) {
            mappedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            cpuToMap = CpuMs(pid);
            mapped = event.xmap.window;
        }
    }
    // First paint: the middle of the window changes from what the server showed at the map.
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, mapped, &attributes);
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display, mapped, root, attributes.width / 2, attributes.height / 2, &x,
                          &y, &child);
    const auto pixelAt = [&] {
        unsigned long pixel = 0;
        if (XImage *image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap)) {
            pixel = XGetPixel(image, 0, 0);
            XDestroyImage(image);
        }
        return pixel;
    };
    const unsigned long unpainted = pixelAt();
    double paintedMs = -1;
    while (paintedMs < 0 && Clock::now() - start < std::chrono::seconds(frame ? 30 : 10)) {
        const unsigned long pixel = pixelAt();
        const bool lime =
            ((pixel >> 8) & 0xff) > 180 && ((pixel >> 16) & 0xff) < 100 && (pixel & 0xff) < 100;
        if (frame ? lime : pixel != unpainted)
            paintedMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    std::this_thread::sleep_until(start + std::chrono::milliseconds(settleMs));
    const long rss = RssKb(pid);
    const double cpuBefore = CpuMs(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    const double idleCpu = CpuMs(pid) - cpuBefore;
    std::printf("mapped_ms %.1f cpu_to_map_ms %.1f painted_ms %.1f rss_kb %ld idle_cpu_ms %.2f\n",
                mappedMs, cpuToMap, paintedMs, rss, idleCpu);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
