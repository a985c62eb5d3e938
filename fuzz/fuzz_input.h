// Reads fixed-size values off the front of a fuzzer's input, so that one
// input can carry numbers and a text at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace norvique::fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // Zero-filled when the input has run out.
    template <typename T>
    T Take() {
        T value{};
        const std::size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
        if (n > 0) {
            std::memcpy(&value, data_, n);
        }
        data_ += n;
        size_ -= n;
        return value;
    }

    std::string_view Rest() const { return {reinterpret_cast<const char*>(data_), size_}; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace norvique::fuzz
