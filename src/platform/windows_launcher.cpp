// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a program from a whole command line as the shell does and lets it run on its own; tests
// for a file as a directory listing of normal files would find it.
#ifdef _WIN32

#include "windows_launcher.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <memory>
#include <vector>

namespace rolvane::platform {

namespace {

// The text up to its first NUL, as the C string the system would read.
std::wstring widen(const std::string& text) {
    const std::string cut = text.c_str();
    if (cut.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, cut.data(), int(cut.size()), nullptr, 0);
    std::wstring wide(std::size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, cut.data(), int(cut.size()), wide.data(), length);
    return wide;
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

} // namespace

bool WindowsLauncher::launch(const std::string& commandLine, int windowMode) {
    const std::wstring wide = widen(commandLine);
    if (wide.empty())
        return false;
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::vector<wchar_t> line(wide.begin(), wide.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(windowMode);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    // The program runs on alone; nothing waits for it or keeps it.
    const OwnedHandle thread(process.hThread);
    const OwnedHandle child(process.hProcess);
    return true;
}

bool WindowsLauncher::isOrdinaryFile(const std::string& path) {
    const std::wstring wide = widen(path);
    if (wide.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

} // namespace rolvane::platform

#endif
