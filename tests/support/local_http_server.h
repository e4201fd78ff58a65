// LocalHttpServer: a small HTTP server on 127.0.0.1 for the upload tests, on a port of its own.
#pragma once

#include "tests/support/loopback_port.h"

#include <atomic>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace nimbrel::testing {

// Answers each request with `answer` (an empty answer: never answers, holding the connection) and
// keeps each request's first line. "{request}" in the answer is replaced by that line, as a server's
// error page that echoes the request would show it.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::string answer) : answer_(std::move(answer)) {
        listener_ = boundLoopbackSocket(port_);
        ::listen(listener_, 8);
        thread_ = std::thread([this] { serve(); });
    }
    ~LocalHttpServer() {
        stopping_ = true;
        thread_.join();
        for (int fd : held_) ::close(fd);
        ::close(listener_);
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void serve() {
        while (!stopping_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request.substr(0, request.find("\r\n")));
            }
            if (answer_.empty()) {
                held_.push_back(fd);
                continue;
            }
            std::string answer = answer_;
            if (const std::size_t at = answer.find("{request}"); at != std::string::npos)
                answer.replace(at, 9, request.substr(0, request.find("\r\n")));
            ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            ::close(fd);
        }
    }

    std::string answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> held_;
};

} // namespace nimbrel::testing
