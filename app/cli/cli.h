// norvique-query: the window's query for scripts and many listings. Each
// address goes through exactly the window's steps (fetch, extraction, UTC+8
// text); only the way in and out differs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"

namespace norvique::cli {

inline constexpr int kExitAllFound = 0;
inline constexpr int kExitSomeMissing = 1;
inline constexpr int kExitUsage = 2;

inline constexpr int kMaxJobs = 64;

struct Options {
    std::vector<Text> addresses;  // empty: read them from standard input
    int jobs = 1;
    bool json = false;
    bool help = false;
    bool version = false;
};

// Either options or a one-line reason why the arguments are not usable.
struct ParsedArguments {
    std::optional<Options> options;
    std::string error;
};

ParsedArguments ParseArguments(const std::vector<std::string>& arguments);

// Addresses one per line: blank lines skipped, a trailing CR dropped.
std::vector<Text> SplitAddressLines(std::string_view input);

struct QueryResult {
    bool found = false;
    std::int64_t seconds = 0;
    Text shown;  // code page 936: the end time, or the check-address message
};

QueryResult RunQuery(const Text& address);

// Runs every address with up to `jobs` at once and hands each result to
// `report` in input order, as soon as it and all before it are done. When
// `report` returns false no further address is started.
void RunQueries(const std::vector<Text>& addresses, int jobs,
                const std::function<bool(std::size_t, const QueryResult&)>& report);

// The platform's conversion of code page 936 bytes to UTF-8.
using ToUtf8 = std::function<std::string(std::string_view)>;

// One line of output, newline included, in UTF-8 apart from a plain-text
// address, which is written back as the bytes it was given.
std::string FormatPlain(const Text& address, const QueryResult& result, bool withAddress,
                        const ToUtf8& toUtf8);
std::string FormatJson(const Text& address, const QueryResult& result, const ToUtf8& toUtf8);

// Valid UTF-8 stays as it is; every byte that does not start a valid sequence
// becomes U+FFFD, so that a JSON line is always well-formed.
std::string SanitizeUtf8(std::string_view bytes);

std::string UsageText();
std::string VersionText();

// The platform's side: where lines go and where input comes from.
struct Console {
    std::function<bool(std::string_view utf8)> writeOut;  // false: output is gone
    std::function<void(std::string_view utf8)> writeError;
    std::function<std::optional<std::string>()> readAllInput;  // none: unreadable
    ToUtf8 toUtf8;
};

int Run(const std::vector<std::string>& arguments, const Console& console);

}  // namespace norvique::cli
