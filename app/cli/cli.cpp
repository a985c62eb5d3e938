#include "app/cli/cli.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "core/datetime.h"
#include "core/query.h"

namespace norvique::cli {

namespace {

bool ParseJobs(std::string_view text, int& jobs) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxJobs) {
        return false;
    }
    jobs = value;
    return true;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

// The length of the valid UTF-8 sequence at the start of `bytes`, or 0.
std::size_t ValidSequenceLength(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments) {
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.addresses.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "-j" || argument == "--jobs") {
            if (i + 1 == arguments.size() || !ParseJobs(arguments[i + 1], options.jobs)) {
                return {std::nullopt, argument + " needs a number from 1 to 64"};
            }
            ++i;
        } else if (argument.rfind("--jobs=", 0) == 0) {
            if (!ParseJobs(std::string_view(argument).substr(7), options.jobs)) {
                return {std::nullopt, "--jobs needs a number from 1 to 64"};
            }
        } else {
            return {std::nullopt, "unknown option " + SanitizeUtf8(argument)};
        }
    }
    return {std::move(options), {}};
}

std::vector<Text> SplitAddressLines(std::string_view input) {
    std::vector<Text> addresses;
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") != std::string_view::npos) {
            addresses.emplace_back(line);
        }
    }
    return addresses;
}

QueryResult RunQuery(const Text& address) {
    const EndTime endTime = ExtractEndTime(BytesToText(FetchPage(address)));
    if (!endTime.found) {
        return {false, 0, Text(kCheckAddressMessage)};
    }
    return {true, endTime.seconds, EndTimeText(endTime.seconds)};
}

void RunQueries(const std::vector<Text>& addresses, int jobs,
                const std::function<bool(std::size_t, const QueryResult&)>& report) {
    const std::size_t count = addresses.size();
    const auto workers = std::min(static_cast<std::size_t>(std::max(jobs, 1)), count);
    if (workers <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            if (!report(i, RunQuery(addresses[i]))) {
                return;
            }
        }
        return;
    }
    // Workers take the next address in turn; the calling thread reports the
    // results in input order as they become ready.
    std::vector<std::optional<QueryResult>> results(count);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<std::jthread> threads;
    threads.reserve(workers);
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t i = next++; i < count && !stop; i = next++) {
                QueryResult result = RunQuery(addresses[i]);
                const std::lock_guard lock(mutex);
                results[i] = std::move(result);
                ready.notify_one();
            }
        });
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return results[i].has_value(); });
        const QueryResult result = std::move(*results[i]);
        results[i].reset();
        lock.unlock();
        if (!report(i, result)) {
            stop = true;
            break;
        }
    }
    // The threads finish the fetches they have begun and are joined here.
}

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = ValidSequenceLength(bytes);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            bytes.remove_prefix(1);
        } else {
            out += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
    return out;
}

std::string FormatPlain(const Text& address, const QueryResult& result, bool withAddress,
                        const ToUtf8& toUtf8) {
    std::string line;
    if (withAddress) {
        line = address + '\t';
    }
    line += toUtf8(result.shown);
    line += '\n';
    return line;
}

std::string FormatJson(const Text& address, const QueryResult& result, const ToUtf8& toUtf8) {
    std::string line = "{\"address\":";
    AppendJsonString(line, SanitizeUtf8(address));
    line += ",\"found\":";
    line += result.found ? "true" : "false";
    line += ",\"seconds\":";
    line += result.found ? std::to_string(result.seconds) : "null";
    line += ",\"text\":";
    if (result.found) {
        AppendJsonString(line, toUtf8(result.shown));
    } else {
        line += "null";
    }
    line += "}\n";
    return line;
}

std::string UsageText() {
    return "usage: norvique-query [--json] [-j N] URL...\n"
           "       norvique-query [--json] [-j N] < addresses.txt\n"
           "\n"
           "Reads each item page and prints its end time in UTC+8, one line per\n"
           "address in input order. Without URL arguments the addresses are read\n"
           "from standard input, one per line.\n"
           "\n"
           "  --json          one JSON object per line: address, found, seconds, text\n"
           "  -j, --jobs N    fetch up to N addresses at once (1 to 64, default 1)\n"
           "  -h, --help      show this help\n"
           "      --version   show the version\n"
           "\n"
           "Exit status: 0 when every address gave an end time, 1 when any did not,\n"
           "2 for a usage error or unreadable standard input.\n";
}

std::string VersionText() {
    return "norvique-query 0.1.0\n";
}

int Run(const std::vector<std::string>& arguments, const Console& console) {
    ParsedArguments parsed = ParseArguments(arguments);
    if (!parsed.options) {
        console.writeError("norvique-query: " + parsed.error + "\n" + UsageText());
        return kExitUsage;
    }
    Options& options = *parsed.options;
    if (options.help) {
        return console.writeOut(UsageText()) ? kExitAllFound : kExitSomeMissing;
    }
    if (options.version) {
        return console.writeOut(VersionText()) ? kExitAllFound : kExitSomeMissing;
    }
    if (options.addresses.empty()) {
        const std::optional<std::string> input = console.readAllInput();
        if (!input) {
            console.writeError("norvique-query: cannot read standard input\n");
            return kExitUsage;
        }
        options.addresses = SplitAddressLines(*input);
        if (options.addresses.empty()) {
            console.writeError("norvique-query: no address given\n" + UsageText());
            return kExitUsage;
        }
    }

    const bool withAddress = options.addresses.size() > 1;
    bool allFound = true;
    bool outputGone = false;
    RunQueries(options.addresses, options.jobs, [&](std::size_t i, const QueryResult& result) {
        allFound = allFound && result.found;
        const std::string line =
            options.json ? FormatJson(options.addresses[i], result, console.toUtf8)
                         : FormatPlain(options.addresses[i], result, withAddress, console.toUtf8);
        // With the output gone nobody learns the remaining answers: stop.
        outputGone = !console.writeOut(line);
        return !outputGone;
    });
    return allFound && !outputGone ? kExitAllFound : kExitSomeMissing;
}

}  // namespace norvique::cli
