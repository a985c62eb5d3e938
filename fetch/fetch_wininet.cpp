// FetchPage with WinINet: canonicalise and split the address, connect under
// the one root handle, send one GET and read the body to its end.
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fetch/body.h"
#include "fetch/fetch.h"
#include "fetch/read_buffer.h"
#include "fetch/wininet_root.h"

namespace norvique {

namespace {

// The split's buffers, terminating NUL included.
constexpr DWORD kHostBuffer = 256;
constexpr DWORD kObjectBuffer = 2048;
constexpr DWORD kUserBuffer = 128;
constexpr DWORD kPasswordBuffer = 128;
constexpr DWORD kLengthBuffer = 32;

// RELOAD goes to the server even when a copy is cached, NO_CACHE_WRITE keeps
// the response out of the cache. Automatic redirection stays on, and no flag
// that ignores a certificate error is set: a refused certificate must end
// the fetch.
constexpr DWORD kPlainFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kSecureFlags = kPlainFlags | INTERNET_FLAG_SECURE;
// For schemes that are neither HTTP, FTP nor gopher: no service at all, so
// that InternetConnectA or HttpOpenRequestA refuses.
constexpr DWORD kNoService = 0;

struct InternetCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

std::mutex rootMutex;
InternetHandle rootHandle;
RootHandleOpener rootOpener = &OpenRootHandle;

// Opened by the first fetch that needs it and kept until the program ends;
// after a failed open the next fetch tries again. Under the lock, so that
// fetches on several threads share one handle.
HINTERNET RootHandle() {
    const std::lock_guard lock(rootMutex);
    if (!rootHandle) {
        rootHandle.reset(rootOpener());
    }
    return rootHandle.get();
}

struct Service {
    DWORD service;
    DWORD flags;
};

Service ServiceFor(INTERNET_SCHEME scheme) {
    switch (scheme) {
        case INTERNET_SCHEME_HTTP:
            return {INTERNET_SERVICE_HTTP, kPlainFlags};
        case INTERNET_SCHEME_HTTPS:
            return {INTERNET_SERVICE_HTTP, kSecureFlags};
        case INTERNET_SCHEME_FTP:
            return {INTERNET_SERVICE_FTP, kPlainFlags};
        case INTERNET_SCHEME_GOPHER:
            return {INTERNET_SERVICE_GOPHER, kPlainFlags};
        default:
            return {kNoService, kPlainFlags};
    }
}

// ICU_NO_ENCODE alone: no escape is added, and dot segments are resolved
// since ICU_NO_META is absent.
std::optional<std::vector<char>> Canonicalize(const Text& url) {
    std::vector<char> canonical(INTERNET_MAX_URL_LENGTH);
    DWORD length = static_cast<DWORD>(canonical.size());
    if (InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &length, ICU_NO_ENCODE)) {
        return canonical;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return std::nullopt;
    }
    canonical.assign(length, '\0');
    if (InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &length, ICU_NO_ENCODE)) {
        return canonical;
    }
    return std::nullopt;
}

struct Address {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT port = 0;
    char host[kHostBuffer] = {};
    char user[kUserBuffer] = {};
    char password[kPasswordBuffer] = {};
    // Path, query and fragment: the extra-information part is not asked for.
    char object[kObjectBuffer] = {};
};

bool Split(const char* canonical, Address& address) {
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = address.host;
    parts.dwHostNameLength = kHostBuffer;
    parts.lpszUserName = address.user;
    parts.dwUserNameLength = kUserBuffer;
    parts.lpszPassword = address.password;
    parts.dwPasswordLength = kPasswordBuffer;
    parts.lpszUrlPath = address.object;
    parts.dwUrlPathLength = kObjectBuffer;
    if (!InternetCrackUrlA(canonical, 0, 0, &parts)) {
        return false;
    }
    address.scheme = parts.nScheme;
    address.port = parts.nPort;
    return true;
}

std::uint32_t ChooseReadBufferSize(HINTERNET request) {
    char length[kLengthBuffer] = {};
    DWORD size = kLengthBuffer;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr)) {
        return ReadBufferSize(std::nullopt);
    }
    return ReadBufferSize(std::string_view(length, size));
}

void ReadBody(HINTERNET request, std::chrono::steady_clock::time_point stopReading,
              BodyBuffer& body) {
    const std::uint32_t size = ChooseReadBufferSize(request);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) {
        return;
    }
    // A server that trickles a byte now and then would otherwise hold the
    // window for as long as it likes; WinINet's own time-outs only catch
    // a server that sends nothing at all.
    while (std::chrono::steady_clock::now() < stopReading) {
        // A read with the whole buffer waits until the buffer is full, which
        // a trickle takes hours to do: asking first what has arrived lets the
        // deadline be checked after every piece.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || available == 0) {
            return;
        }
        DWORD got = 0;
        const DWORD wanted = available < size ? available : size;
        if (!InternetReadFile(request, buffer.get(), wanted, &got) || got == 0) {
            return;
        }
        if (!body.Append(buffer.get(), got)) {
            return;
        }
    }
}

}  // namespace

HINTERNET OpenRootHandle() {
    const std::string agent(kUserAgent);
    return InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
}

RootHandleOpener SetRootHandleOpener(RootHandleOpener opener) {
    const std::lock_guard lock(rootMutex);
    const RootHandleOpener previous = rootOpener;
    rootOpener = opener;
    return previous;
}

Bytes FetchPageWith(const Text& url, const FetchLimits& limits) {
    BodyBuffer body(limits.bodyCap);
    if (url.empty()) {
        return {};
    }
    try {
        const std::optional<std::vector<char>> canonical = Canonicalize(url);
        if (!canonical) {
            return {};
        }
        const auto address = std::make_unique<Address>();
        if (!Split(canonical->data(), *address)) {
            return {};
        }
        const Service service = ServiceFor(address->scheme);
        HINTERNET root = RootHandle();
        if (root == nullptr) {
            return {};
        }
        const InternetHandle connection(InternetConnectA(root, address->host, address->port,
                                                         address->user, address->password,
                                                         service.service, 0, 0));
        if (!connection) {
            return {};
        }

        // Each request uses the system's configured proxy, with no proxy
        // credentials of its own; the results do not matter.
        INTERNET_PROXY_INFO proxy = {};
        proxy.dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
        InternetSetOptionA(root, INTERNET_OPTION_PROXY, &proxy, sizeof(proxy));
        char empty[1] = {};
        InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_USERNAME, empty, 1);
        InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_PASSWORD, empty, 1);

        // The fragment belongs to the reader of the page, never to the server.
        std::string object(address->object);
        object = object.substr(0, object.find('#'));

        const char* acceptTypes[] = {"Accept: */* \r\n", nullptr};
        const InternetHandle request(HttpOpenRequestA(connection.get(), "GET", object.c_str(),
                                                      "HTTP/1.0", nullptr, acceptTypes,
                                                      service.flags, 0));
        if (!request) {
            return {};
        }
        const auto sent = std::chrono::steady_clock::now();
        constexpr char kHeaders[] = "Accept: */*\r\n\r\n";
        if (!HttpSendRequestA(request.get(), kHeaders, sizeof(kHeaders) - 1, nullptr, 0)) {
            return {};
        }
        ReadBody(request.get(), sent + limits.deadline, body);
    } catch (const std::bad_alloc&) {
        // The bytes kept so far are still the result.
    }
    return body.Take();
}

}  // namespace norvique
