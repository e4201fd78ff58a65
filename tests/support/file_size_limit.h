// FileSizeLimit: a full disk for the tests, without root: files of this process may grow only so far.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace nimbrel::testing {

// While it lives, a write that would make a file larger than `bytes` fails (EFBIG) instead of raising
// SIGXFSZ; the limit before it comes back when it goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
};

} // namespace nimbrel::testing
