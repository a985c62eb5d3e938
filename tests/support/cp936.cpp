#include "tests/support/cp936.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace norvique::test {

namespace {

#ifdef _WIN32
std::string Convert(std::string_view in, UINT from, UINT to) {
    if (in.empty()) {
        return {};
    }
    const int wideLength = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(),
                                               static_cast<int>(in.size()), nullptr, 0);
    if (wideLength == 0) {
        throw std::runtime_error("not convertible");
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), wide.data(), wideLength);
    const int outLength =
        WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(outLength), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
    return out;
}
#else
std::string Convert(std::string_view in, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("no converter");
    }
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1)) {
        throw std::runtime_error("not convertible");
    }
    out.resize(out.size() - outLeft);
    return out;
}
#endif

}  // namespace

#ifdef _WIN32
std::string Gbk(std::string_view utf8) {
    return Convert(utf8, CP_UTF8, 936);
}
std::string Utf8(std::string_view gbk) {
    return Convert(gbk, 936, CP_UTF8);
}
#else
std::string Gbk(std::string_view utf8) {
    return Convert(utf8, "UTF-8", "CP936");
}
std::string Utf8(std::string_view gbk) {
    return Convert(gbk, "CP936", "UTF-8");
}
#endif

}  // namespace norvique::test
