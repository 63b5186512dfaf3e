#pragma once

#include "EventLoop.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

// The control channel: a Unix stream socket taking one text command per line and
// giving one answer line for each, so that a test can steer a running hub.
namespace hubsim {

class ControlServer {
public:
    using Handler = std::function<std::string(const std::string& line)>;

    explicit ControlServer(EventLoop& loop) : loop(loop) {}
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    bool Open(const std::string& path, Handler handler, std::string* error);

private:
    struct Client {
        int fd = -1;
        EventLoop::Id watch = 0;
        std::string input;
    };
    void Accept();
    void Serve(int fd);
    void Drop(int fd);

    EventLoop& loop;
    std::string path;
    int listenFd = -1;
    EventLoop::Id listenWatch = 0;
    Handler handler;
    std::map<int, Client> clients;
};

// The client side, for "hubsim --send": one command, one answer line (without its
// line end). Returns false with the reason in answer when the hub cannot be reached.
bool SendControlCommand(const std::string& path, const std::string& command, std::string& answer);

} // namespace hubsim
