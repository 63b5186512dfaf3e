#include "platform/SaveFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// strerror_r gives the text in the language of the process's locale, which the window
// takes from the desktop.
std::string Reason(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

bool WriteAll(int file, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(file, bytes.data() + written, bytes.size() - written);
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            return false;
        written += static_cast<std::size_t>(step);
    }
    return true;
}

// A new file beside path, named after it, created as a plain create would (0666 less the
// umask) and open for writing; -1 with errno when none can be made.
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", random());
        temporary = path.substr(0, nameStart) + "." + path.substr(nameStart) + suffix;
        const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file >= 0 || errno != EEXIST)
            return file;
    }
    return -1;
}

// Makes the rename itself last through a power cut; a folder that cannot be synced
// (some network file systems) leaves the file saved all the same.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

} // namespace

// The bytes go to a temporary file beside the target, which replaces the target by a rename
// only once all of it is on the disk: a full disk or any other failure leaves the old file
// as it was and removes the temporary. A symbolic link at path is replaced, not written
// through. A file that existed keeps its permission bits (not its owner: an ordinary user
// cannot give a file away).
std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::string temporary;
    const int file = CreateTemporaryBeside(path, temporary);
    if (file < 0)
        return Reason(errno);
    struct stat existing {};
    const bool existed = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    bool saved = (!existed || ::fchmod(file, existing.st_mode & 0777) == 0) &&
                 WriteAll(file, bytes) && ::fsync(file) == 0;
    int error = errno;
    // A full disk or a network folder may tell only on close.
    if (::close(file) != 0 && saved) {
        saved = false;
        error = errno;
    }
    if (saved && ::rename(temporary.c_str(), path.c_str()) != 0) {
        saved = false;
        error = errno;
    }
    if (!saved) {
        ::unlink(temporary.c_str());
        return Reason(error);
    }
    SyncFolderOf(path);
    return {};
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

} // namespace platform
