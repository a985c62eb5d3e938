// Reaches the local web server that the CTest fixture `page_server` runs
// (tests/support/page_server.py): its ports, and the request heads it recorded.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace norvique::test {

// One request head as it arrived, CR LF line ends included.
struct RecordedRequest {
    std::string listener;  // "http", "https", "self-signed", "expired" or "wrong-name"
    std::string head;
    std::string requestLine;               // without its CR LF
    std::vector<std::string> headerLines;  // each without its CR LF
};

class PageServer {
  public:
    // The server named by the environment variable NORVIQUE_PAGE_SERVER (its
    // state directory, a Unix path also under Wine). Throws when it is unset
    // or the server is not ready.
    static PageServer FromEnvironment();

    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; }
    int selfSignedPort() const { return selfSignedPort_; }
    int closedPort() const { return closedPort_; }
    int expiredPort() const { return expiredPort_; }
    int wrongNamePort() const { return wrongNamePort_; }
    const std::filesystem::path& caFile() const { return caFile_; }

    // "http://127.0.0.1:<port><path>"; https goes to localhost, the name that
    // the certificates carry.
    std::string Http(std::string_view path) const;
    std::string Https(std::string_view path) const;
    std::string SelfSigned(std::string_view path) const;
    // Certificates of the test authority that a client must refuse: one
    // expired, one for the host name wrong.invalid.
    std::string Expired(std::string_view path) const;
    std::string WrongName(std::string_view path) const;

    // Every recorded request whose request line holds `tag`, oldest first.
    std::vector<RecordedRequest> RequestsWith(std::string_view tag) const;

  private:
    std::filesystem::path state_;
    std::filesystem::path caFile_;
    int port_ = 0;
    int tlsPort_ = 0;
    int selfSignedPort_ = 0;
    int closedPort_ = 0;
    int expiredPort_ = 0;
    int wrongNamePort_ = 0;
};

// A tag unique to this process and call, to find one test's requests among
// those of the tests that run beside it.
std::string UniqueTag(std::string_view name);

}  // namespace norvique::test
