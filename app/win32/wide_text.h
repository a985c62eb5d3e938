// The program keeps every text in code page 936 bytes; the window system is
// spoken to in UTF-16. These two convert at that boundary, with 936 named
// explicitly, so that the texts read right whatever the system's own ANSI
// code page is.
#pragma once

#include <string>
#include <string_view>

namespace norvique::win32 {

// Bytes that are not valid code page 936 become the replacement character.
std::wstring ToWide(std::string_view cp936);

// Characters that code page 936 cannot hold become the system's default
// character ("?").
std::string FromWide(std::wstring_view wide);

}  // namespace norvique::win32
