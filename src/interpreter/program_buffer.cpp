#include "interpreter/program_buffer.h"

#include "interpreter/numbers.h"

namespace tamo {

void ProgramBuffer::Size(std::string file_bytes) {
    bytes_ = std::make_shared<const std::string>(std::move(file_bytes));
    items_ = std::make_shared<Items>();
    pos_ = 0;
    bound_ = bytes_->size();
    allocated_ = true;
    // One entry per line, plus one per comma: reserved up front, so that a long program does not
    // pay for the vector's doubling twice over.
    std::size_t items = 1;
    for (char c : *bytes_) {
        items += static_cast<std::size_t>(c == '\n' || c == ',');
    }
    items_->entries.reserve(items);
}

ProgramBuffer::Items& ProgramBuffer::Own() {
    if (items_.use_count() > 1) {
        items_ = std::make_shared<Items>(*items_);
    }
    return *items_;
}

ProgramBuffer::Found ProgramBuffer::Scan(std::size_t at) const {
    const std::string_view all = bytes();
    const std::size_t size = all.size();
    const char* b = all.data();
    std::size_t pos = at;
    while (pos < size && b[pos] == ' ') {
        ++pos;
    }
    auto is_line_end = [&](std::size_t p) {
        return b[p] == '\n' || b[p] == '\r';
    };
    Found found;
    found.start = pos;
    if (pos < size && b[pos] == '"') {
        found.quoted = true;
        found.start = ++pos;
        while (pos < size && b[pos] != '"' && !is_line_end(pos)) {
            ++pos;
        }
        found.end = pos;
        while (pos < size && b[pos] != ',' && !is_line_end(pos)) {
            ++pos;
        }
    } else {
        while (pos < size && b[pos] != ',' && !is_line_end(pos)) {
            ++pos;
        }
        found.end = pos;
    }
    // Consume the delimiter: a comma, or one line end.
    if (pos < size) {
        if (b[pos] == '\r' && pos + 1 < size && b[pos + 1] == '\n') {
            pos += 2;
        } else {
            ++pos;
        }
    }
    found.next = pos;
    return found;
}

// Delimited items: an item ends at a comma or at a line end (CR LF, LF or CR), blanks before it
// are skipped, and an item that begins with a double quote runs to its closing quote (or the end
// of its line) and loses the quotes; whatever follows the closing quote up to the delimiter is
// dropped. An unquoted item that reads as a number is stored as that number.
bool ProgramBuffer::ReadNextItem() {
    const std::string_view all = bytes();
    if (pos_ >= all.size()) {
        return false;
    }
    const std::uint32_t after_comma = pos_ > 0 && all[pos_ - 1] == ',' ? kAfterCommaFlag : 0;
    const Found found = Scan(pos_);
    pos_ = found.next;
    Items& items = Own();
    const std::string_view item = all.substr(found.start, found.end - found.start);
    if (!found.quoted) {
        if (auto number = ReadNumber(item)) {
            const std::string text = FormatNumber(*number);
            items.entries.push_back({static_cast<std::uint32_t>(items.numbers.size()) | after_comma,
                                     static_cast<std::uint32_t>(text.size()) | kNumberFlag});
            items.numbers += text;
            return true;
        }
    }
    items.entries.push_back(
        {static_cast<std::uint32_t>(found.start) | after_comma, static_cast<std::uint32_t>(item.size())});
    return true;
}

std::string_view ProgramBuffer::Text(std::size_t index) const {
    const std::vector<Entry>& entries = items_->entries;
    if (index == 0 || index > entries.size()) {
        return {};
    }
    const Entry& e = entries[index - 1];
    const std::uint32_t start = e.start & ~kAfterCommaFlag;
    if (e.length & kNumberFlag) {
        return std::string_view(items_->numbers).substr(start, e.length & ~kNumberFlag);
    }
    return bytes().substr(start, e.length);
}

bool ProgramBuffer::AfterComma(std::size_t index) const {
    const std::vector<Entry>& entries = items_->entries;
    return index >= 1 && index <= entries.size() && (entries[index - 1].start & kAfterCommaFlag) != 0;
}

bool ProgramBuffer::IsNumber(std::size_t index) const {
    const std::vector<Entry>& entries = items_->entries;
    return index >= 1 && index <= entries.size() && (entries[index - 1].length & kNumberFlag) != 0;
}

void ProgramBuffer::Rewind() {
    items_ = std::make_shared<Items>();
    pos_ = 0;
}

void ProgramBuffer::Truncate(std::size_t n) {
    if (n < items_->entries.size()) {
        Own().entries.resize(n);
    }
}

} // namespace tamo
