#pragma once

#include <string>

// Moves the calling thread into the named network namespace ("ip netns add" name) for
// the scope's lifetime and back to where it was afterwards. Sockets made meanwhile
// belong to that namespace for good; threads started meanwhile inherit it.
class NetnsScope {
public:
    explicit NetnsScope(const std::string& name);
    ~NetnsScope();
    NetnsScope(const NetnsScope&) = delete;
    NetnsScope& operator=(const NetnsScope&) = delete;

    bool ok() const { return entered; }
    const std::string& whyNot() const { return reason; }

private:
    int previous = -1;
    bool entered = false;
    std::string reason;
};
