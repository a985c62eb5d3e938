#include "app/qt/cp936_text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>

namespace norvique {

namespace {

// glibc's name for the Windows code page: GBK with the euro sign at 0x80.
constexpr const char* kCodePage936 = "CP936";
constexpr const char* kUtf8 = "UTF-8";

class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (IsOpen()) {
            iconv_close(handle_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // `skipLength` says how many bytes make up the character at the start of
    // its argument: that many are replaced by one "?" when they do not convert.
    std::string Convert(std::string_view in, std::size_t (*skipLength)(std::string_view)) {
        std::string out;
        // iconv's signature wants a mutable pointer; it never writes through it.
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        std::array<char, 512> chunk{};
        while (inLeft > 0) {
            char* outPtr = chunk.data();
            std::size_t outLeft = chunk.size();
            std::size_t result = static_cast<std::size_t>(-1);
            int error = EILSEQ;
            if (IsOpen()) {
                result = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
                error = errno;
            }
            out.append(chunk.data(), chunk.size() - outLeft);
            if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
                continue;
            }
            // EILSEQ, or EINVAL for a sequence cut off at the end: one "?"
            // stands in, and the conversion goes on behind it.
            out.push_back('?');
            const std::size_t skip =
                std::min(inLeft, std::max<std::size_t>(1, skipLength({inPtr, inLeft})));
            inPtr += skip;
            inLeft -= skip;
        }
        return out;
    }

  private:
    bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    iconv_t handle_;
};

std::size_t Utf8SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

// An undefined byte pair may still end in a valid character of its own, such
// as an ASCII letter, so only the one offending byte is dropped.
std::size_t OneByte(std::string_view) {
    return 1;
}

}  // namespace

QString FromCodePage936(std::string_view text) {
    Converter converter(kUtf8, kCodePage936);
    const std::string utf8 = converter.Convert(text, OneByte);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text ToCodePage936(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    Converter converter(kCodePage936, kUtf8);
    return converter.Convert({utf8.constData(), static_cast<std::size_t>(utf8.size())},
                             Utf8SequenceLength);
}

}  // namespace norvique
