// A failing medium for the end-to-end runs: a Linux library preloaded into Wine's processes that
// makes chosen byte ranges of chosen files unreadable. A read starting on such a byte fails with
// EIO; a read running into one stops short before it, as Wine's reads of a damaged disc do. A
// range with "@N" fails only the first N reads that start on each of its bytes (a marginal
// spot); "slow=R" makes every read of the file take as long as R bytes a second allow;
// "failms=M" makes every read that meets an unreadable byte take M milliseconds more, as a drive
// tries a bad sector before it gives up.
//
//   TRAMOX_UNREADABLE="/abs/path:first-last,first-last@2;/other/path:first,slow=30000"
//
// With TRAMOX_READ_LOG set to a file, every read of a listed file adds a line to it, "path offset
// count", so that a test can tell the reads the medium saw.
//
// Built by e2e/run_e2e.sh for Wine's 64-bit and 32-bit processes; never part of tramox.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Range {
    uint64_t first, last;
    int times;                             // -1: for ever
    std::map<uint64_t, int>* failed;       // reads failed so far, per byte, when times >= 0
    bool Fails(uint64_t at) const { return times < 0 || (*failed)[at] < times; }
};

struct Unreadable {
    std::string path;
    std::vector<Range> ranges;
    double bytesPerSecond = 0;  // 0: as fast as the disk
    double failSeconds = 0;     // added to each read that meets an unreadable byte
    bool known = false;  // the file has been found: its identity below is cached, so that a
    dev_t device{};      // read costs one fstat, not a stat of every listed path besides
    ino64_t inode{};
};

std::vector<Unreadable>* files = nullptr;

using ReadFn = ssize_t (*)(int, void*, size_t);
// pread takes a 32-bit offset in a 32-bit process, pread64 a 64-bit one everywhere.
using PreadFn = ssize_t (*)(int, void*, size_t, off_t);
using Pread64Fn = ssize_t (*)(int, void*, size_t, off64_t);
ReadFn realRead = nullptr;
PreadFn realPread = nullptr;
Pread64Fn realPread64 = nullptr;

// Libraries loaded before this one may read before its constructor runs.
void FindRealReads() {
    if (realRead != nullptr) return;
    realRead = reinterpret_cast<ReadFn>(dlsym(RTLD_NEXT, "read"));
    realPread = reinterpret_cast<PreadFn>(dlsym(RTLD_NEXT, "pread"));
    realPread64 = reinterpret_cast<Pread64Fn>(dlsym(RTLD_NEXT, "pread64"));
}

__attribute__((constructor)) void Load() {
    FindRealReads();
    const char* given = std::getenv("TRAMOX_UNREADABLE");
    if (given == nullptr) return;
    files = new std::vector<Unreadable>;
    std::string text(given);
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find(';', at), text.size());
        std::string entry = text.substr(at, end - at);
        size_t colon = entry.rfind(':');
        if (colon != std::string::npos) {
            Unreadable file{entry.substr(0, colon), {}};
            std::string list = entry.substr(colon + 1) + ",";
            for (size_t from = 0, comma; (comma = list.find(',', from)) != std::string::npos;
                 from = comma + 1) {
                std::string range = list.substr(from, comma - from);
                if (range.empty()) continue;
                if (range.rfind("slow=", 0) == 0) {
                    file.bytesPerSecond = std::strtod(range.c_str() + 5, nullptr);
                    continue;
                }
                if (range.rfind("failms=", 0) == 0) {
                    file.failSeconds = std::strtod(range.c_str() + 7, nullptr) / 1000;
                    continue;
                }
                size_t dash = range.find('-'), times = range.find('@');
                uint64_t first = std::strtoull(range.c_str(), nullptr, 10);
                uint64_t last = dash == std::string::npos || dash > times
                                    ? first
                                    : std::strtoull(range.c_str() + dash + 1, nullptr, 10);
                int count = times == std::string::npos ? -1 : std::atoi(range.c_str() + times + 1);
                file.ranges.push_back(Range{first, last, count, new std::map<uint64_t, int>});
            }
            files->push_back(file);
        }
        at = end + 1;
    }
}

// The listing of the file `fd` reads, or nullptr when it has none.
// A listed file is taken to keep its identity once found, as a disc being rescued does.
const Unreadable* RangesOf(int fd) {
    if (files == nullptr) return nullptr;
    struct stat64 open {};
    if (fstat64(fd, &open) != 0 || !S_ISREG(open.st_mode)) return nullptr;
    for (Unreadable& file : *files) {
        struct stat64 named {};
        if (!file.known && stat64(file.path.c_str(), &named) == 0) {
            file.known = true;
            file.device = named.st_dev;
            file.inode = named.st_ino;
        }
        if (file.known && file.device == open.st_dev && file.inode == open.st_ino)
            return &file;
    }
    return nullptr;
}

// How many of `count` bytes at `offset` may be read; -1 when the first is unreadable, which
// counts as a failed read of it.
int64_t Readable(const std::vector<Range>& ranges, uint64_t offset, size_t count) {
    uint64_t allowed = count;
    for (const Range& range : ranges) {
        uint64_t from = std::max(range.first, offset), to = std::min(range.last, offset + count - 1);
        for (uint64_t at = from; at <= to && at - offset < allowed; ++at) {
            if (!range.Fails(at)) continue;
            if (at == offset) {
                if (range.times >= 0) ++(*range.failed)[at];
                return -1;
            }
            allowed = at - offset;
        }
    }
    return static_cast<int64_t>(allowed);
}

void Pause(double seconds) {
    if (seconds <= 0) return;
    timespec pause{static_cast<time_t>(seconds),
                   static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9)};
    nanosleep(&pause, nullptr);
}

void TakeTime(const Unreadable& file, ssize_t bytes) {
    if (file.bytesPerSecond > 0 && bytes > 0) Pause(bytes / file.bytesPerSecond);
}

void LogRead(const Unreadable& file, uint64_t at, size_t count) {
    const char* log = std::getenv("TRAMOX_READ_LOG");
    if (log == nullptr) return;
    std::string line = file.path + " " + std::to_string(at) + " " + std::to_string(count) + "\n";
    int fd = open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return;
    ssize_t written = write(fd, line.data(), line.size());
    (void)written;
    close(fd);
}

// How many of `count` bytes at `offset` (the file's position when -1) the read may take; -1 with
// errno EIO when it starts on an unreadable byte.
ssize_t Allowed(int fd, size_t count, off64_t offset) {
    FindRealReads();
    int saved = errno;  // the checks must leave no errno of their own behind
    const Unreadable* file = count ? RangesOf(fd) : nullptr;
    if (file != nullptr) {
        off64_t at = offset >= 0 ? offset : lseek64(fd, 0, SEEK_CUR);
        if (at >= 0) LogRead(*file, static_cast<uint64_t>(at), count);
        int64_t allowed = at < 0 ? static_cast<int64_t>(count)
                                 : Readable(file->ranges, static_cast<uint64_t>(at), count);
        TakeTime(*file, allowed < 0 ? 1 : allowed);
        if (allowed < static_cast<int64_t>(count)) Pause(file->failSeconds);
        if (allowed < 0) {
            errno = EIO;
            return -1;
        }
        count = static_cast<size_t>(allowed);
    }
    errno = saved;
    return static_cast<ssize_t>(count);
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buffer, size_t count) {
    ssize_t allowed = Allowed(fd, count, -1);
    return allowed < 0 ? -1 : realRead(fd, buffer, static_cast<size_t>(allowed));
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    ssize_t allowed = offset < 0 ? count : Allowed(fd, count, offset);
    return allowed < 0 ? -1 : realPread(fd, buffer, static_cast<size_t>(allowed), offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset) {
    ssize_t allowed = offset < 0 ? count : Allowed(fd, count, offset);
    return allowed < 0 ? -1 : realPread64(fd, buffer, static_cast<size_t>(allowed), offset);
}

}  // extern "C"
