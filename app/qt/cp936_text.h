// Between the Unicode text that Qt's widgets hold and the code page 936 bytes
// that every text of the program is.
#pragma once

#include <QString>
#include <string_view>

#include "core/text.h"

namespace norvique {

// Bytes that code page 936 does not define each become "?".
QString FromCodePage936(std::string_view text);

// A character that code page 936 cannot hold becomes "?", so that the rest of
// the text still arrives.
Text ToCodePage936(const QString& text);

}  // namespace norvique
