// Lets tests write their texts readably in UTF-8 and hand the program the
// code page 936 bytes it works with.
#pragma once

#include <string>
#include <string_view>

namespace norvique::test {

// UTF-8 to code page 936 and back, through the platform's own converter
// (iconv, or the Windows code page functions), independent of the program.
std::string Gbk(std::string_view utf8);
std::string Utf8(std::string_view gbk);

}  // namespace norvique::test
