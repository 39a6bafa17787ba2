// SPDX-License-Identifier: GPL-3.0-or-later
// Echo is restored however the read ends, so a failed read never leaves the terminal silent.
#include "terminal_password.h"

#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace rolvane::tool {

namespace {

class EchoOff {
public:
    EchoOff() : active_(tcgetattr(STDIN_FILENO, &saved_) == 0) {
        if (!active_)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios saved_{};
    bool active_;
};

std::string readLine() {
    std::string line;
    for (int c; (c = std::fgetc(stdin)) != EOF && c != '\n';)
        line += char(c);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

std::optional<QString> askPassword(const QString& prompt, QString& why) {
    std::string line;
    if (isatty(STDIN_FILENO)) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        {
            EchoOff quiet;
            line = readLine();
        }
        std::fputs("\n", stderr);
    } else {
        line = readLine();
    }
    if (line.empty()) {
        why = QStringLiteral("No password was given.");
        return std::nullopt;
    }
    return QString::fromLocal8Bit(line);
}

std::optional<bool> askYesNo(const QString& question) {
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs(question.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    const std::string line = readLine();
    return !line.empty() && (line.front() == 'y' || line.front() == 'Y');
}

} // namespace rolvane::tool
