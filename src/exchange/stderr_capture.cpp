#include "stderr_capture.h"

#ifndef _WIN32

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace rolvane::exchange {

StderrCapture::StderrCapture() {
    char name[] = "/tmp/rolvane-stderr-XXXXXX";
    file_ = mkstemp(name);
    if (file_ < 0)
        return; // nothing is caught: the library's lines show as they always did
    unlink(name);
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    if (saved_ < 0 || dup2(file_, STDERR_FILENO) < 0) {
        close(file_);
        file_ = -1;
    }
}

StderrCapture::~StderrCapture() {
    take();
}

std::string StderrCapture::take() {
    std::string out;
    if (file_ < 0)
        return out;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    char chunk[4096];
    lseek(file_, 0, SEEK_SET);
    ssize_t n;
    while (out.size() < (std::size_t(64) << 10) && (n = read(file_, chunk, sizeof chunk)) > 0)
        out.append(chunk, std::size_t(n));
    close(file_);
    file_ = saved_ = -1;
    return out;
}

} // namespace rolvane::exchange

#else

namespace rolvane::exchange {

// Windows builds read no Access files through libmdb: nothing prints, nothing is caught.
StderrCapture::StderrCapture() = default;
StderrCapture::~StderrCapture() = default;
std::string StderrCapture::take() {
    return {};
}

} // namespace rolvane::exchange

#endif
