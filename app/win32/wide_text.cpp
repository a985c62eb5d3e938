#include "app/win32/wide_text.h"

#include <windows.h>

#include <limits>
#include <new>

namespace norvique::win32 {

namespace {

constexpr UINT kCodePage936 = 936;

int CheckedLength(std::size_t size) {
    // The conversion functions count in int; a text beyond that cannot be
    // held by a window anyway.
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::bad_alloc();
    }
    return static_cast<int>(size);
}

}  // namespace

std::wstring ToWide(std::string_view cp936) {
    if (cp936.empty()) {
        return {};
    }
    const int inLength = CheckedLength(cp936.size());
    const int length = MultiByteToWideChar(kCodePage936, 0, cp936.data(), inLength, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kCodePage936, 0, cp936.data(), inLength, wide.data(), length);
    return wide;
}

std::string FromWide(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int inLength = CheckedLength(wide.size());
    const int length =
        WideCharToMultiByte(kCodePage936, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kCodePage936, 0, wide.data(), inLength, bytes.data(), length, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace norvique::win32
