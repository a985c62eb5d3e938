#include "tests/support/page_server.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace norvique::test {

namespace {

std::filesystem::path NativePath(std::string unixPath) {
#ifdef _WIN32
    // Wine shows the Unix root as drive Z:.
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return std::filesystem::path("Z:" + unixPath);
#else
    return std::filesystem::path(unixPath);
#endif
}

std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int ReadPort(const std::filesystem::path& file) {
    return std::stoi(ReadWhole(file));
}

RecordedRequest Parse(std::string listener, std::string head) {
    RecordedRequest request{std::move(listener), std::move(head), {}, {}};
    std::size_t at = 0;
    bool first = true;
    while (at < request.head.size()) {
        const std::size_t end = request.head.find("\r\n", at);
        if (end == std::string::npos || end == at) {
            break;
        }
        std::string line = request.head.substr(at, end - at);
        if (first) {
            request.requestLine = std::move(line);
            first = false;
        } else {
            request.headerLines.push_back(std::move(line));
        }
        at = end + 2;
    }
    return request;
}

}  // namespace

PageServer PageServer::FromEnvironment() {
    const char* state = std::getenv("NORVIQUE_PAGE_SERVER");
    if (state == nullptr || *state == '\0') {
        throw std::runtime_error(
            "NORVIQUE_PAGE_SERVER is not set; the test needs the page_server fixture");
    }
    PageServer server;
    server.state_ = NativePath(state);
    if (!std::filesystem::exists(server.state_ / "ready")) {
        throw std::runtime_error("the page server in " + server.state_.string() + " is not ready");
    }
    server.port_ = ReadPort(server.state_ / "port");
    server.tlsPort_ = ReadPort(server.state_ / "tls_port");
    server.selfSignedPort_ = ReadPort(server.state_ / "self_signed_port");
    server.closedPort_ = ReadPort(server.state_ / "closed_port");
    server.expiredPort_ = ReadPort(server.state_ / "expired_port");
    server.wrongNamePort_ = ReadPort(server.state_ / "wrong_name_port");
    server.caFile_ = server.state_ / "ca.pem";
    return server;
}

std::string PageServer::Http(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::string PageServer::Https(std::string_view path) const {
    return "https://localhost:" + std::to_string(tlsPort_) + std::string(path);
}

std::string PageServer::SelfSigned(std::string_view path) const {
    return "https://localhost:" + std::to_string(selfSignedPort_) + std::string(path);
}

std::string PageServer::Expired(std::string_view path) const {
    return "https://localhost:" + std::to_string(expiredPort_) + std::string(path);
}

std::string PageServer::WrongName(std::string_view path) const {
    return "https://localhost:" + std::to_string(wrongNamePort_) + std::string(path);
}

std::vector<RecordedRequest> PageServer::RequestsWith(std::string_view tag) const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(state_ / "requests")) {
        if (entry.path().extension() == ".txt") {
            files.push_back(entry.path());
        }
    }
    // The names start with the arrival number.
    std::sort(files.begin(), files.end());
    std::vector<RecordedRequest> found;
    for (const auto& file : files) {
        RecordedRequest request = Parse({}, ReadWhole(file));
        if (request.requestLine.find(tag) == std::string::npos) {
            continue;
        }
        const std::string stem = file.stem().string();
        request.listener = stem.substr(stem.find('-') + 1);
        found.push_back(std::move(request));
    }
    return found;
}

std::string UniqueTag(std::string_view name) {
    // Tests of other processes share the server: a random part per process.
    static const unsigned process = std::random_device{}();
    static std::atomic<int> counter{0};
    return std::string(name) + "-" + std::to_string(process) + "-" + std::to_string(++counter);
}

}  // namespace norvique::test
