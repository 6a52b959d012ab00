#include "platform/visible_text.h"

#include <array>

namespace tamo {
namespace {

// The length of the character that begins text when it cannot be seen on screen, else 0.
std::size_t InvisibleAt(std::string_view text) {
    const auto byte = static_cast<unsigned char>(text.front());
    if (byte < 0x20 || byte == 0x7F) {
        return 1;
    }
    constexpr std::array<std::string_view, 18> kInvisible{
        "\xC2\xA0",     "\xC2\x85",     "\xC2\xAD",     "\xE2\x80\x8B", "\xE2\x80\x8C", "\xE2\x80\x8D",
        "\xE2\x80\x8E", "\xE2\x80\x8F", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAA", "\xE2\x80\xAB",
        "\xE2\x80\xAC", "\xE2\x80\xAD", "\xE2\x80\xAE", "\xE2\x80\xAF", "\xE2\x81\xA0", "\xEF\xBB\xBF"};
    for (const std::string_view invisible : kInvisible) {
        if (text.starts_with(invisible)) {
            return invisible.size();
        }
    }
    return 0;
}

std::string Escaped(std::string_view character) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(character.front());
    if (character.size() == 1) {
        switch (byte) {
        case '\t':
            return "\\t";
        case '\r':
            return "\\r";
        case '\n':
            return "\\n";
        default:
            return std::string("\\x") + kHex[byte >> 4] + kHex[byte & 0xF];
        }
    }
    unsigned code = character.size() == 2 ? byte & 0x1Fu : byte & 0x0Fu;
    for (std::size_t i = 1; i < character.size(); ++i) {
        code = (code << 6) | (static_cast<unsigned char>(character[i]) & 0x3Fu);
    }
    std::string escaped = "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        escaped += kHex[(code >> shift) & 0xF];
    }
    return escaped;
}

} // namespace

std::string ShowInvisible(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t invisible = InvisibleAt(text.substr(i));
        if (invisible == 0) {
            shown += text[i++];
            continue;
        }
        shown += Escaped(text.substr(i, invisible));
        i += invisible;
    }
    return shown;
}

std::string QuoteForMessage(std::string_view text, std::size_t shown, bool with_length) {
    std::size_t cut = std::min(shown, text.size());
    // Never half a character: a cut inside a UTF-8 sequence goes back to its first byte.
    while (cut < text.size() && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    std::string quoted = "\"" + ShowInvisible(text.substr(0, cut));
    if (cut == text.size()) {
        return quoted + "\"";
    }
    quoted += "...\"";
    return with_length ? quoted + " (" + std::to_string(text.size()) + " characters)" : quoted;
}

} // namespace tamo
