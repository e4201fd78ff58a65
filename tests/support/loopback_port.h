// Ports of 127.0.0.1 for the network tests: one that is free for a server to take, and one that
// refuses every connection.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nimbrel::testing {

// A TCP socket bound to a port of 127.0.0.1 that the system picked; `port` receives the port.
inline int boundLoopbackSocket(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

// A TCP socket bound to a port of 127.0.0.1 that the system picked, not listening: a connection to
// it is refused for as long as it lives.
class RefusingPort {
public:
    RefusingPort() : fd_(boundLoopbackSocket(port_)) {}
    ~RefusingPort() { ::close(fd_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }

private:
    int port_ = 0; // before fd_, which is made with it
    int fd_ = -1;
};

// A port of 127.0.0.1 that nothing uses just now, for a server started next.
inline int freeLoopbackPort() {
    return RefusingPort().port();
}

} // namespace nimbrel::testing
