// Holds what a C library prints on the standard error stream while it runs, so that its words
// reach the user only as ours. Not for use from two threads at once: the stream is the process's.
#pragma once

#include <string>

namespace rolvane::exchange {

class StderrCapture {
public:
    StderrCapture();  // from here on, stderr goes to a temporary file
    ~StderrCapture(); // puts stderr back; what was printed is lost unless taken
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // Puts stderr back and returns what was printed (at most 64 KiB of it).
    std::string take();

private:
    int saved_ = -1;
    int file_ = -1;
};

} // namespace rolvane::exchange
