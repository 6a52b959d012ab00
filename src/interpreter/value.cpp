#include "interpreter/value.h"

#include "interpreter/numbers.h"

namespace tamo {

double NumberOf(const Value& v) {
    if (const double* d = std::get_if<double>(&v)) {
        return *d;
    }
    if (const bool* b = std::get_if<bool>(&v)) {
        return *b ? -1.0 : 0.0;
    }
    if (const std::string* s = std::get_if<std::string>(&v)) {
        return ReadNumber(*s).value_or(0.0);
    }
    return 0.0;
}

std::string TextOf(const Value& v) {
    if (const double* d = std::get_if<double>(&v)) {
        return FormatNumber(*d);
    }
    if (const bool* b = std::get_if<bool>(&v)) {
        return *b ? "True" : "False";
    }
    if (const std::string* s = std::get_if<std::string>(&v)) {
        return *s;
    }
    return {};
}

} // namespace tamo
