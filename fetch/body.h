// The body of one fetch as it arrives, bounded by a cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/text.h"

namespace norvique {

class BodyBuffer {
  public:
    explicit BodyBuffer(std::size_t cap) : cap_(cap) {}

    // Room for a declared length (bounded by the cap) so that the body grows
    // without being copied again and again. A lack of memory is no failure.
    void ReserveFor(std::uint64_t declaredLength);

    // Appends what fits under the cap. False when the cap is reached or memory
    // runs out, the bytes that fit being kept: the caller stops reading then.
    bool Append(const char* data, std::size_t count);

    std::size_t size() const { return bytes_.size(); }

    Bytes Take() { return std::move(bytes_); }

  private:
    // Called when the buffer has new memory, before most of it is written.
    void Grown();

    std::size_t cap_;
    Bytes bytes_;
};

}  // namespace norvique
