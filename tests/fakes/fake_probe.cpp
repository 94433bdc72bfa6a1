// Stands in for ffprobe asked for the length alone, "fake_probe ... -show_entries
// format=duration ... -i <path>": the seconds ("3723.450000" or "N/A") on standard output.
//   FAKE_PROBE_LOG        file to which "<path>\n" is appended for every call
//   FAKE_PROBE_SLEEP_MS   wait this long before answering (a hung probe)
//   FAKE_PROBE_SLEEPS     "name=ms;other.mp4=ms": per file name part, wait that long first
//   FAKE_PROBE_DURATIONS  "name=00:01:00.00;other.mp4=N/A", matched against the file name
//                         part; the value "none" answers like a file that is not media.
//                         Unlisted names get 00:01:00.00.
//   FAKE_PROBE_FLOOD      after the answer, write that many more bytes
//                         (0: without end)
//   FAKE_PROBE_FORK       leave a child behind that writes its pid to this file and sleeps
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::string FileNamePart(const std::string &path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The value for name in a "name=value;name=value" table held by the variable, or fallback.
std::string Lookup(const char *variable, const std::string &name, const std::string &fallback) {
    const char *table = std::getenv(variable);
    if (table != nullptr) {
        const std::string text(table);
        std::string::size_type start = 0;
        while (start <= text.size()) {
            std::string::size_type end = text.find(';', start);
            if (end == std::string::npos)
                end = text.size();
            const std::string item = text.substr(start, end - start);
            const std::string::size_type eq = item.find('=');
            if (eq != std::string::npos && item.substr(0, eq) == name)
                return item.substr(eq + 1);
            start = end + 1;
        }
    }
    return fallback;
}

} // namespace

int main(int argc, char **argv) {
    std::string path;
    bool asked = false;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "-i")
            path = argv[i + 1];
        asked = asked || std::string(argv[i]) + argv[i + 1] == "-show_entriesformat=duration";
    }

    if (const char *log = std::getenv("FAKE_PROBE_LOG")) {
        if (std::FILE *file = std::fopen(log, "ab")) {
            std::fprintf(file, "%s\n", path.c_str());
            std::fclose(file);
        }
    }
    if (const char *pidFile = std::getenv("FAKE_PROBE_FORK")) {
        if (fork() == 0) {
            if (std::FILE *file = std::fopen(pidFile, "wb")) {
                std::fprintf(file, "%ld\n", long(getpid()));
                std::fclose(file);
            }
            std::this_thread::sleep_for(std::chrono::seconds(60));
            return 0;
        }
    }
    if (const char *sleep = std::getenv("FAKE_PROBE_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(sleep)));
    const std::string sleep = Lookup("FAKE_PROBE_SLEEPS", FileNamePart(path), "0");
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(sleep.c_str())));

    if (path.empty()) {
        std::fputs("You have to specify one input file.\n", stderr);
        return 1;
    }
    if (!asked)
        return 0; // ffprobe's report goes to the error output: the answer is not there
    const std::string duration = Lookup("FAKE_PROBE_DURATIONS", FileNamePart(path), "00:01:00.00");
    int h = 0, m = 0, s = 0, cs = 0;
    if (duration == "none") {
        std::fprintf(stderr, "%s: Invalid data found when processing input\n", path.c_str());
        return 1;
    }
    if (std::sscanf(duration.c_str(), "%d:%d:%d.%d", &h, &m, &s, &cs) == 4)
        std::printf("%d.%02d0000\n", h * 3600 + m * 60 + s, cs);
    else
        std::printf("%s\n", duration.c_str());
    if (const char *flood = std::getenv("FAKE_PROBE_FLOOD")) {
        const std::string noise(64 * 1024, 'x');
        const long long total = std::atoll(flood);
        for (long long left = total; total <= 0 || left > 0; left -= (long long)noise.size())
            std::fwrite(noise.data(), 1, noise.size(), stdout);
    }
    return 0;
}
