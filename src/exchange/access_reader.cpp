// The child writes framed messages down a pipe: a type byte, a count of texts, then each text
// with its length. The parent maps rows to cards itself, so only plain texts cross the pipe.
#include "access_reader.h"

#include "access_rows.h"
#include "column_layout.h"
#include "stderr_capture.h"

#include <QFile>

#if defined(ROLVANE_HAVE_LIBMDB) && !defined(_WIN32)

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rolvane::exchange {

namespace {

enum : char { kHeader = 'H', kRow = 'R', kSaid = 'S', kProblem = 'P', kDone = 'D' };

void writeAll(int fd, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(1); // the reader is gone
        at += std::size_t(n);
    }
}

void putLength(std::string& out, std::size_t n) {
    const auto v = std::uint32_t(n);
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void send(int fd, char type, const std::vector<std::string>& texts) {
    std::string out(1, type);
    putLength(out, texts.size());
    for (const std::string& t : texts) {
        putLength(out, t.size());
        out += t;
    }
    writeAll(fd, out);
}

class PipeSink : public AccessRowSink {
public:
    explicit PipeSink(int fd) : fd_(fd) {}
    bool header(const std::vector<std::string>& names) override {
        send(fd_, kHeader, names);
        return true;
    }
    bool row(long long number, const std::vector<std::string>& fields,
             const std::string& cut) override {
        texts_.assign({std::to_string(number), cut});
        texts_.insert(texts_.end(), fields.begin(), fields.end());
        send(fd_, kRow, texts_);
        return true;
    }

private:
    int fd_;
    std::vector<std::string> texts_;
};

[[noreturn]] void runChild(int fd, const std::string& path, const std::string& table) {
    // libmdb prints dumps on stdout and complaints on stderr: neither is the caller's.
    if (const int null = open("/dev/null", O_WRONLY); null >= 0)
        dup2(null, STDOUT_FILENO);
    std::string said;
    std::optional<Problem> problem;
    {
        StderrCapture capture;
        PipeSink sink(fd);
        problem = readAccessRows(path, table, sink);
        said = capture.take();
    }
    if (said.find_first_not_of(" \t\r\n") != std::string::npos)
        send(fd, kSaid, {said});
    send(fd, problem ? kProblem : kDone, {problem ? problem->text : std::string()});
    _exit(0);
}

struct Message {
    char type = 0;
    std::vector<std::string> texts;
};

// The parent's end: messages as they come, with the child stopped when it breaks a limit.
class Child {
public:
    Child(pid_t pid, int fd, const AccessLimits& limits) : pid_(pid), fd_(fd), limits_(limits) {}
    ~Child() {
        close(fd_);
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // False at the end of the pipe; `why` then says when a limit stopped the child.
    bool next(Message& m, std::string& why);

private:
    bool parse(Message& m);
    long long resident() const;

    pid_t pid_;
    int fd_;
    AccessLimits limits_;
    std::string buffer_;
    std::size_t at_ = 0;
};

long long Child::resident() const {
    std::ifstream statm("/proc/" + std::to_string(pid_) + "/statm");
    long long size = 0, pages = 0;
    statm >> size >> pages;
    return pages * sysconf(_SC_PAGESIZE);
}

bool Child::parse(Message& m) {
    auto length = [this](std::size_t& pos, std::uint32_t& v) {
        if (buffer_.size() - pos < sizeof v)
            return false;
        std::memcpy(&v, buffer_.data() + pos, sizeof v);
        pos += sizeof v;
        return true;
    };
    std::size_t pos = at_ + 1;
    std::uint32_t count = 0;
    if (buffer_.size() <= at_ || !length(pos, count))
        return false;
    m.texts.resize(count);
    for (std::string& t : m.texts) {
        std::uint32_t n = 0;
        if (!length(pos, n) || buffer_.size() - pos < n)
            return false;
        t.assign(buffer_, pos, n);
        pos += n;
    }
    m.type = buffer_[at_];
    at_ = pos;
    return true;
}

bool Child::next(Message& m, std::string& why) {
    using Clock = std::chrono::steady_clock;
    auto heard = Clock::now();
    while (!parse(m)) {
        buffer_.erase(0, at_);
        at_ = 0;
        pollfd p{fd_, POLLIN, 0};
        const int ready = poll(&p, 1, 200);
        if (ready > 0) {
            char chunk[1 << 16];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n == 0 || (n < 0 && errno != EINTR))
                return false;
            if (n > 0)
                buffer_.append(chunk, std::size_t(n)), heard = Clock::now();
        }
        if (Clock::now() - heard > std::chrono::seconds(limits_.silentSeconds))
            why = "the file made the Access reader stop answering";
        else if (resident() > limits_.residentBytes)
            why = "the file made the Access reader use too much memory";
        if (!why.empty())
            return false;
    }
    return true;
}

// libmdb's own lines, in the words of the rest of the tool.
std::string reworded(const std::string& said) {
    if (said.find("beyond EOF") != std::string::npos)
        return "the file is shorter than its own tables say (cut short or damaged)";
    const std::string first = said.substr(0, said.find('\n'));
    return "the file is damaged (" + first.substr(0, 200) + ")";
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

} // namespace

std::optional<Problem> readAccess(const QString& path, const QString& table,
                                  const ReadCallbacks& callbacks, const AccessLimits& limits) {
    const std::string file = QFile::encodeName(path).toStdString();
    const std::string wanted = table.isEmpty() ? std::string("Rolvane") : table.toStdString();
    int fds[2];
    if (pipe(fds) != 0)
        return Problem{0, "the Access reader could not be started"};
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        runChild(fds[1], file, table.toStdString());
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return Problem{0, "the Access reader could not be started"};
    }
    Child child(pid, fds[0], limits);
    Message m;
    std::string why, said;
    std::optional<ColumnLayout> layout;
    Card card;
    while (child.next(m, why)) {
        if (m.type == kHeader) {
            std::string expected;
            layout = ColumnLayout::recognise(m.texts, expected,
                                             table.isEmpty() ? ColumnLayout::Require::NameAndDetail
                                                             : ColumnLayout::Require::AnyContact);
            if (!layout)
                return Problem{0, "the table " + wanted +
                                      " has no known contact columns (its columns are " +
                                      joined(m.texts) + "); expected " + expected};
        } else if (m.type == kRow && layout && m.texts.size() >= 2) {
            const long long number = std::stoll(m.texts[0]);
            if (!m.texts[1].empty() && callbacks.warning)
                callbacks.warning({number, "the text in " + m.texts[1] + " is longer than " +
                                               std::to_string(kMaxAccessText >> 10) +
                                               " KB; only its beginning was kept"});
            m.texts.erase(m.texts.begin(), m.texts.begin() + 2);
            card = Card();
            card.line = int(std::min<long long>(number, 0x7fffffff));
            layout->fill(m.texts, card);
            if (callbacks.card && !callbacks.card(card))
                return std::nullopt;
        } else if (m.type == kSaid && !m.texts.empty()) {
            said = reworded(m.texts[0]);
        } else if (m.type == kProblem && !m.texts.empty()) {
            return Problem{0, m.texts[0] + (said.empty() ? "" : "; " + said)};
        } else if (m.type == kDone) {
            if (!said.empty() && callbacks.warning)
                callbacks.warning({0, said + "; what could be read was read"});
            return std::nullopt;
        }
    }
    return Problem{0, (why.empty() ? std::string("the file made the Access reader fail") : why) +
                          " (it is likely damaged)"};
}

} // namespace rolvane::exchange

#else

namespace rolvane::exchange {

std::optional<Problem> readAccess(const QString&, const QString&, const ReadCallbacks&,
                                  const AccessLimits&) {
    return Problem{0, "this build cannot read Access files (it was built without libmdb)"};
}

} // namespace rolvane::exchange

#endif
