// The command line's way in and out on Windows. A console gets UTF-16 through
// WriteConsoleW, so that Chinese text shows right whatever the console's code
// page; a file or pipe gets UTF-8 bytes, as on other systems.
#include <windows.h>

#include "app/cli/cli.h"

namespace {

std::wstring Widen(std::string_view bytes, UINT codePage) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

bool Write(DWORD which, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Widen(utf8, CP_UTF8);
        std::wstring_view rest = wide;
        while (!rest.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 16384));
            if (!WriteConsoleW(handle, rest.data(), chunk, &written, nullptr) || written == 0) {
                return false;
            }
            rest.remove_prefix(written);
        }
        return true;
    }
    while (!utf8.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(utf8.size(), 1 << 20));
        if (!WriteFile(handle, utf8.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        utf8.remove_prefix(written);
    }
    return true;
}

std::optional<std::string> ReadAllInput() {
    const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string input;
    char buffer[65536];
    while (true) {
        DWORD got = 0;
        if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
            // A pipe whose writer has gone is the end of the input.
            if (GetLastError() == ERROR_BROKEN_PIPE) {
                return input;
            }
            return std::nullopt;
        }
        if (got == 0) {
            return input;
        }
        input.append(buffer, got);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        // Addresses go on as UTF-8, the bytes a browser would send escaped.
        arguments.push_back(Narrow(argv[i], CP_UTF8));
    }
    const norvique::cli::Console console{
        [](std::string_view utf8) { return Write(STD_OUTPUT_HANDLE, utf8); },
        [](std::string_view utf8) { Write(STD_ERROR_HANDLE, utf8); },
        ReadAllInput,
        [](std::string_view gbk) { return Narrow(Widen(gbk, 936), CP_UTF8); },
    };
    return norvique::cli::Run(arguments, console);
}
