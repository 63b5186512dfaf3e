#include "tests/reliability/ProcessFigures.h"

#include <dirent.h>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

int CountEntries(const char* folder) {
    DIR* dir = ::opendir(folder);
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    ::closedir(dir);
    return count;
}

} // namespace

ProcessFigures MeasureProcess() {
    ProcessFigures figures;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            figures.residentKiB = std::stol(line.substr(6));
        }
    }
    figures.heapInUseKiB = static_cast<long>(::mallinfo2().uordblks / 1024);
    // The listing's own descriptor is among the entries while it is read.
    figures.descriptors = CountEntries("/proc/self/fd") - 1;
    figures.threads = CountEntries("/proc/self/task");
    return figures;
}
