// Byte-string types of the program and the text operations that pull an end
// time out of a page.
//
// Every text is a byte string in code page 936 (GBK). An absent text and the
// empty text are the same value here: the empty std::string. Positions are
// 1-based byte positions and lengths count bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norvique {

// A code page 936 byte string without NUL bytes inside.
using Text = std::string;

// A byte buffer with an explicit length; it may hold NUL bytes.
using Bytes = std::string;

// The bytes up to the first zero byte, unconverted. Taken by value so that a
// caller that is done with the body can move it in and spare a copy.
Text BytesToText(Bytes bytes);

// 1-based position of the first occurrence of `sought` that begins at a
// character start of the two-byte rule (a byte of 0x80 or above and the byte
// after it form one character), or -1. Exact, case-sensitive comparison.
std::int32_t FindText(std::string_view text, std::string_view sought);

// At most `count` bytes from the 1-based `start`; plain bytes, so a two-byte
// character may be cut in half. Out-of-range arguments give the empty text.
Text MidText(std::string_view text, std::int32_t start, std::int32_t count);

// The decimal number written at the beginning of the text, after full-width
// forms have been folded to ASCII; 0 when there is none.
double TextToNumber(std::string_view text);

// The double with its fraction dropped toward zero; NaN, infinities and
// values outside the signed 64-bit range give INT64_MIN.
std::int64_t TruncateToInt64(double value);

// The full-width folding that TextToNumber and ParseDateTime apply first:
// full-width ASCII forms, the ideographic space, the full-width tilde and the
// two stars become their one-byte forms; a lone lead byte at the end is dropped.
Text FoldFullWidth(std::string_view text);

// The marker behind which a page carries its end time, and how many bytes
// behind it are read.
inline constexpr std::string_view kMarker = "ends=";
inline constexpr std::int32_t kSliceLength = 10;

// The extraction rule: the count of seconds that the page text carries behind
// the first marker, or no value when the marker is missing.
struct EndTime {
    bool found = false;
    std::int64_t seconds = 0;
};
EndTime ExtractEndTime(std::string_view pageText);

}  // namespace norvique
