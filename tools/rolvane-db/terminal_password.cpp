// SPDX-License-Identifier: GPL-3.0-or-later
// Echo is restored however the read ends, a signal that ends the tool included, so neither a
// failed read nor Ctrl-C leaves the terminal silent.
#include "terminal_password.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace rolvane::tool {

namespace {

// What a signal that ends the tool while echo is off puts back: the handler may only use what
// is async-signal-safe, so the saved settings wait for it in plain storage.
termios savedTerminal{};
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
struct sigaction previous[std::size(kEndingSignals)]{};

extern "C" void restoreAndEnd(int signal) {
    const int error = errno;
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
        if (kEndingSignals[i] == signal)
            sigaction(signal, &previous[i], nullptr);
    // Delivered once the handler returns, with what was there before: usually the default end.
    raise(signal);
    errno = error;
}

class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
            return;
        struct sigaction ours {};
        ours.sa_handler = restoreAndEnd;
        sigemptyset(&ours.sa_mask);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            sigaction(kEndingSignals[i], nullptr, &previous[i]);
            // A signal the caller ignores (nohup, a background job) stays ignored.
            if (previous[i].sa_handler != SIG_IGN)
                sigaction(kEndingSignals[i], &ours, nullptr);
        }
        handling_ = true;
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        echoOff_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (echoOff_)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        if (handling_)
            for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
                sigaction(kEndingSignals[i], &previous[i], nullptr);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool handling_ = false;
    bool echoOff_ = false;
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
        {
            // Echo goes off before the prompt shows, so nothing typed after it is ever shown.
            EchoOff quiet;
            std::fputs(prompt.toLocal8Bit().constData(), stderr);
            std::fflush(stderr);
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
