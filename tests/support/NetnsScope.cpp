#include "tests/support/NetnsScope.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

NetnsScope::NetnsScope(const std::string& name) {
    previous = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (previous < 0) {
        reason = std::string("cannot open the thread's own namespace: ") + std::strerror(errno);
        return;
    }
    const std::string path = "/run/netns/" + name;
    const int target = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (target < 0) {
        reason = "no network namespace " + name + ": " + std::strerror(errno);
        return;
    }
    if (setns(target, CLONE_NEWNET) != 0) {
        reason = "cannot enter " + name + ": " + std::strerror(errno);
    } else {
        entered = true;
    }
    close(target);
}

NetnsScope::~NetnsScope() {
    if (entered && setns(previous, CLONE_NEWNET) != 0) {
        // A thread left in a test namespace would send the rest of the run's traffic
        // into a site that is about to vanish: better to stop here.
        std::abort();
    }
    if (previous >= 0) {
        close(previous);
    }
}
