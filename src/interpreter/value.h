#pragma once

#include <string>
#include <variant>

namespace tamo {

// A field whose kind varies with what was put into it: empty, a number, a text or a flag.
// The configuration's staging fields and `MWord` hold such values.
using Value = std::variant<std::monostate, double, std::string, bool>;

[[nodiscard]] inline bool IsEmpty(const Value& v) {
    return std::holds_alternative<std::monostate>(v);
}
[[nodiscard]] inline bool IsNumber(const Value& v) {
    return std::holds_alternative<double>(v);
}

// The value as a number: empty is 0, a flag is -1 (set) or 0, a text that reads as a number is
// that number and any other text is 0.
[[nodiscard]] double NumberOf(const Value& v);

// The value as text: empty is "", numbers in their general form, flags "True" / "False".
[[nodiscard]] std::string TextOf(const Value& v);

} // namespace tamo
