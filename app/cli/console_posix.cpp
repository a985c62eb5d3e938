// The command line's way in and out on POSIX systems: raw bytes on the file
// descriptors, and glibc's iconv for code page 936.
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>

#include "app/cli/cli.h"

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::optional<std::string> ReadAll(int fd) {
    std::string input;
    char buffer[65536];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return input;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        input.append(buffer, static_cast<std::size_t>(n));
    }
}

struct IconvCloser {
    void operator()(void* descriptor) const { iconv_close(static_cast<iconv_t>(descriptor)); }
};

// Code page 936 to UTF-8; a byte sequence that code page 936 does not define
// becomes "?" and the conversion goes on.
std::string GbkToUtf8(std::string_view gbk) {
    const std::unique_ptr<void, IconvCloser> descriptor(iconv_open("UTF-8", "CP936"));
    if (descriptor.get() == reinterpret_cast<void*>(-1)) {
        return std::string(gbk);
    }
    const auto cd = static_cast<iconv_t>(descriptor.get());
    std::string out(gbk.size() * 3 / 2 + 4, '\0');
    char* in = const_cast<char*>(gbk.data());
    std::size_t inLeft = gbk.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* to = out.data() + used;
        std::size_t toLeft = out.size() - used;
        const std::size_t result = iconv(cd, &in, &inLeft, &to, &toLeft);
        used = out.size() - toLeft;
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // EILSEQ or a sequence cut off at the end: one byte is skipped.
            out.resize(std::max(out.size(), used + 1));
            out[used++] = '?';
            ++in;
            --inLeft;
        }
    }
    out.resize(used);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed output shows as a failed write, ending the run quietly, rather
    // than as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const norvique::cli::Console console{
        [](std::string_view utf8) { return WriteAll(STDOUT_FILENO, utf8); },
        [](std::string_view utf8) { WriteAll(STDERR_FILENO, utf8); },
        [] { return ReadAll(STDIN_FILENO); },
        GbkToUtf8,
    };
    return norvique::cli::Run(arguments, console);
}
