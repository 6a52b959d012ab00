#include "interpreter/program_buffer.h"

#include "interpreter/numbers.h"

namespace tamo {

void ProgramBuffer::Size(std::string file_bytes) {
    bytes_ = std::make_shared<const std::string>(std::move(file_bytes));
    numbers_.clear();
    entries_.clear();
    pos_ = 0;
    bound_ = bytes_->size();
    allocated_ = true;
    // One entry per line, plus one per comma: reserved up front, so that a long program does not
    // pay for the vector's doubling twice over.
    std::size_t items = 1;
    for (char c : *bytes_) {
        items += static_cast<std::size_t>(c == '\n' || c == ',');
    }
    entries_.reserve(items);
}

// Delimited items: an item ends at a comma or at a line end (CR LF, LF or CR), blanks before it
// are skipped, and an item that begins with a double quote runs to its closing quote (or the end
// of its line) and loses the quotes; whatever follows the closing quote up to the delimiter is
// dropped. An unquoted item that reads as a number is stored as that number.
bool ProgramBuffer::ReadNextItem() {
    const std::string_view all = bytes();
    const std::size_t size = all.size();
    if (pos_ >= size) {
        return false;
    }
    const char* b = all.data();
    const std::uint32_t after_comma = pos_ > 0 && b[pos_ - 1] == ',' ? kAfterCommaFlag : 0;
    while (pos_ < size && b[pos_] == ' ') {
        ++pos_;
    }
    auto is_line_end = [&](std::size_t p) {
        return b[p] == '\n' || b[p] == '\r';
    };
    std::size_t start = pos_;
    std::size_t end = pos_;
    bool quoted = false;
    if (pos_ < size && b[pos_] == '"') {
        quoted = true;
        start = ++pos_;
        while (pos_ < size && b[pos_] != '"' && !is_line_end(pos_)) {
            ++pos_;
        }
        end = pos_;
        while (pos_ < size && b[pos_] != ',' && !is_line_end(pos_)) {
            ++pos_;
        }
    } else {
        while (pos_ < size && b[pos_] != ',' && !is_line_end(pos_)) {
            ++pos_;
        }
        end = pos_;
    }
    // Consume the delimiter: a comma, or one line end.
    if (pos_ < size) {
        if (b[pos_] == '\r' && pos_ + 1 < size && b[pos_ + 1] == '\n') {
            pos_ += 2;
        } else {
            ++pos_;
        }
    }

    const std::string_view item(b + start, end - start);
    if (!quoted) {
        if (auto number = ReadNumber(item)) {
            const std::string text = FormatNumber(*number);
            entries_.push_back({static_cast<std::uint32_t>(numbers_.size()) | after_comma,
                                static_cast<std::uint32_t>(text.size()) | kNumberFlag});
            numbers_ += text;
            return true;
        }
    }
    entries_.push_back({static_cast<std::uint32_t>(start) | after_comma, static_cast<std::uint32_t>(item.size())});
    return true;
}

std::string_view ProgramBuffer::Text(std::size_t index) const {
    if (index == 0 || index > entries_.size()) {
        return {};
    }
    const Entry& e = entries_[index - 1];
    const std::uint32_t start = e.start & ~kAfterCommaFlag;
    if (e.length & kNumberFlag) {
        return std::string_view(numbers_).substr(start, e.length & ~kNumberFlag);
    }
    return bytes().substr(start, e.length);
}

bool ProgramBuffer::AfterComma(std::size_t index) const {
    return index >= 1 && index <= entries_.size() && (entries_[index - 1].start & kAfterCommaFlag) != 0;
}

bool ProgramBuffer::IsNumber(std::size_t index) const {
    return index >= 1 && index <= entries_.size() && (entries_[index - 1].length & kNumberFlag) != 0;
}

void ProgramBuffer::Rewind() {
    numbers_.clear();
    entries_.clear();
    pos_ = 0;
}

void ProgramBuffer::Truncate(std::size_t n) {
    if (n < entries_.size()) {
        entries_.resize(n);
    }
}

} // namespace tamo
