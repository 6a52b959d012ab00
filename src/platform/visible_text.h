#pragma once

// Text from a file, shown in a message: every character that cannot be seen on screen (a control
// character, a byte-order mark, a zero-width or non-breaking space, a line or paragraph separator)
// is written as an escape the operator can read and type back: \t, \r, \n, \x00, \u200B.

#include <string>
#include <string_view>

namespace tamo {

[[nodiscard]] std::string ShowInvisible(std::string_view text);

// The first `shown` bytes of text in double quotes, invisible characters escaped; a longer text
// ends in ...", and with its length in characters when `with_length`.
[[nodiscard]] std::string QuoteForMessage(std::string_view text, std::size_t shown = 40, bool with_length = true);

} // namespace tamo
