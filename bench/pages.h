// Page bodies for the benchmarks, built in memory: the shapes that matter to
// the marker search, at any size.
#pragma once

#include <cstddef>
#include <string>

namespace norvique::bench {

enum class PageShape {
    kAsciiMarkerAtEnd,    // HTML-like ASCII, the marker in the last bytes
    kGbkMarkerAtEnd,      // mostly two-byte GBK text, the marker in the last bytes
    kNoMarker,            // ASCII without the marker
    kNearMisses,          // "ends" without "=" over and over, then the marker
    kOddRunBeforeMarker,  // every marker but the last behind an odd run of high bytes
};

inline const char* ShapeName(PageShape shape) {
    switch (shape) {
        case PageShape::kAsciiMarkerAtEnd:
            return "ascii";
        case PageShape::kGbkMarkerAtEnd:
            return "gbk";
        case PageShape::kNoMarker:
            return "no_marker";
        case PageShape::kNearMisses:
            return "near_misses";
        case PageShape::kOddRunBeforeMarker:
            return "odd_run";
    }
    return "?";
}

inline std::string RepeatTo(const std::string& unit, std::size_t size) {
    std::string page;
    page.reserve(size);
    while (page.size() + unit.size() <= size) {
        page += unit;
    }
    page.append(size - page.size(), ' ');
    return page;
}

// A page of exactly `size` bytes (at least 64).
inline std::string MakePage(PageShape shape, std::size_t size) {
    const std::string tail = "ends=1368346611&x=1\">";
    const std::size_t body = size - tail.size();
    switch (shape) {
        case PageShape::kAsciiMarkerAtEnd:
            return RepeatTo("<div class=\"item\"><a href=\"/item?id=12345\">item</a></div>\n",
                            body) +
                   tail;
        case PageShape::kGbkMarkerAtEnd:
            // "商品描述，结束时间" in GBK, with a little ASCII between.
            return RepeatTo(
                       "\xC9\xCC\xC6\xB7\xC3\xE8\xCA\xF6\xA3\xAC\xBD\xE1\xCA\xF8\xCA\xB1"
                       "\xBC\xE4 <b>",
                       body) +
                   tail;
        case PageShape::kNoMarker:
            return RepeatTo("<div class=\"item\"><a href=\"/item?id=12345\">item</a></div>\n",
                            size);
        case PageShape::kNearMisses:
            return RepeatTo("ends ends_ ends-", body) + tail;
        case PageShape::kOddRunBeforeMarker:
            return RepeatTo(
                       "<p>\xC9\xCC\xC6"
                       "ends=0000000000</p>",
                       body) +
                   tail;
    }
    return {};
}

}  // namespace norvique::bench
