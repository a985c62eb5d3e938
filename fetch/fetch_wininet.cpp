// FetchPage with WinINet: canonicalise and split the address, connect under
// the one root handle, send one GET and read the body to its end.
//
// Two mends against servers that would otherwise hold the caller forever,
// both found under Wine 8's WinINet:
// - Redirects are followed here, at most kMaxRedirects of them, to http and
//   https only: left to WinINet, a redirect loop is followed without end.
// - The calls are made on a helper thread of the fetch, and the caller waits
//   for the body only until the deadline. A header section that never ends
//   keeps HttpSendRequestA busy for as long as the server likes, and closing
//   a request whose declared length has not all arrived reads the rest first;
//   closing a handle from another thread interrupts neither. The helper
//   finishes by itself once WinINet lets go, and closes its handles then.
#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
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
constexpr int kMaxRedirects = 10;

// RELOAD goes to the server even when a copy is cached, NO_CACHE_WRITE keeps
// the response out of the cache. Redirects are followed by the fetch itself
// (see the top of the file). No flag that ignores a certificate error is
// set: a refused certificate must end the fetch.
constexpr DWORD kPlainFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
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

// What one fetch shares with the helper thread that makes its calls.
class FetchState {
  public:
    explicit FetchState(std::size_t cap) : body_(cap) {}

    // False once the caller has stopped waiting or the cap is reached: the
    // helper stops reading then.
    bool Append(const char* data, std::size_t count) {
        const std::lock_guard lock(mutex_);
        return !abandoned_ && body_.Append(data, count);
    }

    bool Abandoned() {
        const std::lock_guard lock(mutex_);
        return abandoned_;
    }

    // The first request goes out now: the deadline counts from here.
    std::chrono::steady_clock::time_point MarkSent() {
        const std::lock_guard lock(mutex_);
        if (!sent_) {
            sent_ = std::chrono::steady_clock::now();
            changed_.notify_all();
        }
        return *sent_;
    }

    // The body is final. `endsNow`: the helper has closed its handles and
    // ends at once; otherwise closing them may keep it for long.
    void Finish(bool endsNow) {
        const std::lock_guard lock(mutex_);
        if (!done_) {
            done_ = true;
            endsNow_ = endsNow;
            changed_.notify_all();
        }
    }

    struct Result {
        Bytes body;
        bool helperEndsNow = false;
    };

    // Waits until the body is final or the deadline has passed since the
    // first request went out, whichever comes first, and takes the body.
    Result AwaitBody(std::chrono::milliseconds deadline) {
        std::unique_lock lock(mutex_);
        // Nothing before the first send touches the network.
        changed_.wait(lock, [this] { return done_ || sent_.has_value(); });
        if (!done_) {
            changed_.wait_until(lock, *sent_ + deadline, [this] { return done_; });
        }
        abandoned_ = true;
        return {body_.Take(), done_ && endsNow_};
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    BodyBuffer body_;
    std::optional<std::chrono::steady_clock::time_point> sent_;
    bool done_ = false;
    bool endsNow_ = false;
    bool abandoned_ = false;
};

// True when WinINet has nothing more to give: the body ended or a read
// failed. False when reading stopped early, at the cap or the deadline.
bool ReadBody(HINTERNET request, std::chrono::steady_clock::time_point stopReading,
              FetchState& state) {
    const std::uint32_t size = ChooseReadBufferSize(request);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) {
        return true;
    }
    // A server that trickles a byte now and then would otherwise hold the
    // window for as long as it likes; WinINet's own time-outs do not catch
    // a trickle.
    while (std::chrono::steady_clock::now() < stopReading) {
        // A read with the whole buffer waits until the buffer is full, which
        // a trickle takes hours to do: asking first what has arrived lets the
        // deadline be checked after every piece.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) || available == 0) {
            return true;
        }
        DWORD got = 0;
        const DWORD wanted = available < size ? available : size;
        if (!InternetReadFile(request, buffer.get(), wanted, &got) || got == 0) {
            return true;
        }
        if (!state.Append(buffer.get(), got)) {
            return false;
        }
    }
    return false;
}

bool IsRedirect(DWORD status) {
    return status == HTTP_STATUS_MOVED || status == HTTP_STATUS_REDIRECT ||
           status == HTTP_STATUS_REDIRECT_METHOD || status == HTTP_STATUS_REDIRECT_KEEP_VERB ||
           status == 308;
}

// A text that WinINet writes into a buffer of the caller's, asked for once
// more with the size it reports when the first buffer is too small.
template <typename Call>
std::optional<std::string> GrowingText(Call call) {
    std::vector<char> text(INTERNET_MAX_URL_LENGTH);
    DWORD length = static_cast<DWORD>(text.size());
    if (!call(text.data(), &length)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return std::nullopt;
        }
        text.assign(length + 1, '\0');
        length = static_cast<DWORD>(text.size());
        if (!call(text.data(), &length)) {
            return std::nullopt;
        }
    }
    return std::string(text.data());
}

// The absolute address that a redirect response points to, when it is one to
// follow: http or https only, as the libcurl build has it.
std::optional<std::string> RedirectTarget(HINTERNET request, const char* canonical) {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr) ||
        !IsRedirect(status)) {
        return std::nullopt;
    }
    const std::optional<std::string> location = GrowingText([request](char* text, DWORD* length) {
        return HttpQueryInfoA(request, HTTP_QUERY_LOCATION, text, length, nullptr) != FALSE;
    });
    if (!location) {
        return std::nullopt;
    }
    std::optional<std::string> target = GrowingText([&](char* text, DWORD* length) {
        return InternetCombineUrlA(canonical, location->c_str(), text, length, ICU_NO_ENCODE) !=
               FALSE;
    });
    if (!target || !(target->starts_with("http://") || target->starts_with("https://"))) {
        return std::nullopt;
    }
    return target;
}

struct Outcome {
    // The address to go on to, when the response was a redirect to follow.
    std::optional<std::string> redirect;
};

// One request of the fetch. Its body, if it is the last one, goes into the
// state, which is finished before the handles close.
Outcome RequestOnce(const std::string& url, bool mayRedirect, const FetchLimits& limits,
                    FetchState& state) {
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
                                                  "HTTP/1.0", nullptr, acceptTypes, service.flags,
                                                  0));
    if (!request) {
        return {};
    }
    const auto sent = state.MarkSent();
    constexpr char kHeaders[] = "Accept: */*\r\n\r\n";
    if (!HttpSendRequestA(request.get(), kHeaders, sizeof(kHeaders) - 1, nullptr, 0)) {
        return {};
    }
    std::optional<std::string> target = RedirectTarget(request.get(), canonical->data());
    if (target) {
        // Past the limit the fetch ends without a page, as a loop must.
        return {mayRedirect ? std::move(target) : std::nullopt};
    }
    if (!ReadBody(request.get(), sent + limits.deadline, state)) {
        // Before the handles close: closing a request that stopped early
        // may wait for the rest of the body.
        state.Finish(false);
    }
    return {};
}

// The helper thread of one fetch.
void Transfer(const Text& url, const FetchLimits& limits, FetchState& state) {
    try {
        std::string next = url;
        for (int redirects = 0; !state.Abandoned(); ++redirects) {
            Outcome outcome = RequestOnce(next, redirects < kMaxRedirects, limits, state);
            if (!outcome.redirect) {
                break;
            }
            next = std::move(*outcome.redirect);
        }
    } catch (const std::bad_alloc&) {
        // The bytes kept so far are still the result.
    }
    state.Finish(true);
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
    if (url.empty()) {
        return {};
    }
    try {
        auto state = std::make_shared<FetchState>(limits.bodyCap);
        // The helper owns its copies: it may outlive this call.
        std::thread helper([url, limits, state] { Transfer(url, limits, *state); });
        FetchState::Result result;
        try {
            result = state->AwaitBody(limits.deadline);
        } catch (...) {
            helper.detach();
            throw;
        }
        // A helper that is done is waited for, so that nothing of the fetch
        // outlives it; one that WinINet still holds finishes by itself.
        if (result.helperEndsNow) {
            helper.join();
        } else {
            helper.detach();
        }
        return std::move(result.body);
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::system_error&) {
        // No thread could be made.
        return {};
    }
}

}  // namespace norvique
