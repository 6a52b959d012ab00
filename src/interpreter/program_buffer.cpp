#include "interpreter/program_buffer.h"

#include "interpreter/numbers.h"
#include "platform/huge_pages.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <thread>

namespace tamo {

namespace {

// The bytes of an eight-byte word that equal `c`, each marked by its top bit. Exact: no carry runs
// from one byte into the next.
std::uint64_t BytesEqual(std::uint64_t word, char c) {
    constexpr std::uint64_t kLow7 = 0x7f7f'7f7f'7f7f'7f7full;
    const std::uint64_t x = word ^ (0x0101'0101'0101'0101ull * static_cast<unsigned char>(c));
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

constexpr std::uint64_t kHighBits = 0x8080'8080'8080'8080ull;

// Line feeds and commas in `text`, eight bytes at a time.
std::size_t CountDelimiters(std::string_view text) {
    std::size_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + i, 8);
        // One bit in each marked byte's top: shifted to the bottom, a multiply sums them.
        const std::uint64_t marks = (BytesEqual(word, '\n') | BytesEqual(word, ',')) >> 7;
        count += static_cast<std::size_t>((marks * 0x0101'0101'0101'0101ull) >> 56);
    }
    for (; i < text.size(); ++i) {
        count += static_cast<std::size_t>(text[i] == '\n' || text[i] == ',');
    }
    return count;
}

// The first comma, CR or LF at or after `pos` in the `size` bytes at `b`, eight bytes at a time; `size`
// when none follows. Every item of a file ends at one: a long file passes each byte through here.
std::size_t DelimiterFrom(const char* b, std::size_t pos, std::size_t size) {
    for (; pos + 8 <= size; pos += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, b + pos, 8);
        // Commas, and the bytes below 16: LF and CR, and the rare tab or other control byte, which is
        // passed. The test for bytes below 16 never misses one, but its borrow can also mark the byte
        // next to one: each mark is looked at in turn.
        std::uint64_t marks = BytesEqual(word, ',') | ((word - 0x1010'1010'1010'1010ull) & ~word & kHighBits);
        while (marks != 0) {
            // The first byte in memory is the word's lowest on a little-endian machine.
            constexpr bool kLittle = std::endian::native == std::endian::little;
            const int bit = kLittle ? std::countr_zero(marks) : std::countl_zero(marks);
            const std::size_t at = pos + static_cast<std::size_t>(bit / 8);
            if (b[at] == ',' || b[at] == '\n' || b[at] == '\r') {
                return at;
            }
            marks &= ~(std::uint64_t{1} << (kLittle ? bit : 63 - bit));
        }
    }
    while (pos < size && b[pos] != ',' && b[pos] != '\n' && b[pos] != '\r') {
        ++pos;
    }
    return pos;
}

// Whether ReadNumber could read the item as a number: after tabs (Scan has passed the spaces) a
// number begins with a sign, a point or a digit. Most items are program lines that begin with a
// letter, and need not be tried.
bool MayBeNumber(std::string_view item) {
    if (item.empty()) {
        return false;
    }
    const char c = item.front();
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == '\t';
}

// Below this a file is read on one thread: starting a second costs more than it saves.
constexpr std::size_t kBytesForTwoThreads = std::size_t{1} << 20;

} // namespace

void ProgramBuffer::Size(std::string file_bytes) {
    bytes_ = std::make_shared<const std::string>(std::move(file_bytes));
    items_ = std::make_shared<Items>();
    pos_ = 0;
    bound_ = bytes_->size();
    allocated_ = true;
    // One entry per line, plus one per comma: reserved up front, so that a long program does not
    // pay for the vector's doubling twice over.
    items_->entries.reserve(1 + CountDelimiters(*bytes_));
    AdviseHugePages(items_->entries.data(), items_->entries.capacity() * sizeof(std::uint32_t));
}

// The blanks before an item belong to no item; the delimiter stands before them.
std::uint32_t ProgramBuffer::Items::LengthBefore(std::string_view bytes, std::uint32_t entry, std::uint32_t next) {
    std::uint32_t blanks = 0;
    while (blanks < next && bytes[next - blanks - 1] == ' ') {
        ++blanks;
    }
    // Unsigned: a start too close to the one before wraps far beyond any length.
    return next - blanks - (entry & kStartMask) - 1 - ((entry & kCrLfFlag) != 0 ? 1 : 0);
}

void ProgramBuffer::Items::Add(std::string_view bytes, std::uint32_t start, std::uint32_t marks, bool odd_item,
                               std::uint32_t text_start, std::uint32_t length) {
    if (!entries.empty() && (entries.back() & kOddFlag) == 0) {
        const std::uint32_t before = entries.back();
        if (LengthBefore(bytes, before, start) != last_length) {
            odd.push_back({static_cast<std::uint32_t>(entries.size() - 1), before & kStartMask, last_length});
            entries.back() |= kOddFlag;
        }
    }
    if (odd_item) {
        odd.push_back({static_cast<std::uint32_t>(entries.size()), text_start, length});
        entries.push_back(start | marks | kOddFlag);
    } else {
        last_length = length;
        entries.push_back(start | marks);
    }
}

const ProgramBuffer::Odd& ProgramBuffer::Items::OddOf(std::size_t entry) const {
    return *std::lower_bound(odd.begin(), odd.end(), entry, [](const Odd& o, std::size_t e) { return o.index < e; });
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
        pos = DelimiterFrom(b, pos, size);
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
    if (pos_ >= bytes().size()) {
        return false;
    }
    const Found found = Scan(pos_);
    Items& items = Own();
    ReadItems(pos_, found.next, items);
    pos_ = found.next;
    return true;
}

void ProgramBuffer::ReadItems(std::size_t from, std::size_t end, Items& items) const {
    const std::string_view all = bytes();
    std::size_t pos = from;
    while (pos < end) {
        const std::uint32_t after_comma = pos > 0 && all[pos - 1] == ',' ? kAfterCommaFlag : 0;
        const Found found = Scan(pos);
        pos = found.next;
        const std::string_view item = all.substr(found.start, found.end - found.start);
        const auto start = static_cast<std::uint32_t>(found.start);
        if (!found.quoted && MayBeNumber(item)) {
            if (auto number = ReadNumber(item)) {
                const std::string text = FormatNumber(*number);
                items.Add(all, start, after_comma | kNumberFlag, true, static_cast<std::uint32_t>(items.numbers.size()),
                          static_cast<std::uint32_t>(text.size()));
                items.numbers += text;
                continue;
            }
        }
        const std::size_t delimiter = found.next - found.end;
        // A quoted item drops what follows its closing quote; the last item has no delimiter.
        const bool odd = found.quoted || delimiter == 0;
        items.Add(all, start, after_comma | (delimiter == 2 ? kCrLfFlag : 0), odd, start,
                  static_cast<std::uint32_t>(item.size()));
    }
}

std::size_t ProgramBuffer::ReadAllItems() {
    const std::string_view all = bytes();
    if (pos_ >= all.size()) {
        return 0;
    }
    Items& items = Own();
    const std::size_t before = items.entries.size();
    // The second half starts just past the first line end after the middle.
    std::size_t split = all.size();
    if (all.size() - pos_ >= kBytesForTwoThreads) {
        const std::size_t middle = pos_ + (all.size() - pos_) / 2;
        const std::size_t line_end = all.find_first_of("\r\n", middle);
        if (line_end != std::string_view::npos) {
            split =
                line_end + (all[line_end] == '\r' && line_end + 1 < all.size() && all[line_end + 1] == '\n' ? 2 : 1);
        }
    }
    if (split >= all.size()) {
        ReadItems(pos_, all.size(), items);
        pos_ = all.size();
        return items.entries.size() - before;
    }
    Items second;
    // The room Size reserved holds every item, so what is left of it holds the second half's: an
    // address range only, as the pages a vector does not write to are never mapped in. Without
    // that room (a copy's items) the half's own delimiters are counted.
    const std::size_t room = items.entries.capacity() - before;
    std::thread helper([this, &second, split, room, size = all.size()] {
        second.entries.reserve(room > 0 ? room : CountDelimiters(bytes().substr(split)) + 1);
        ReadItems(split, size, second);
    });
    ReadItems(pos_, split, items);
    helper.join();
    // The second half's entries after the first half's, each as Add would have put it.
    const auto numbers_base = static_cast<std::uint32_t>(items.numbers.size());
    std::size_t odd = 0;
    for (std::size_t k = 0; k < second.entries.size(); ++k) {
        const std::uint32_t e = second.entries[k];
        const bool is_odd = (e & kOddFlag) != 0;
        std::uint32_t text_start = 0;
        std::uint32_t length = 0;
        if (is_odd) {
            const Odd& o = second.odd[odd++];
            text_start = o.start + ((e & kNumberFlag) != 0 ? numbers_base : 0);
            length = o.length;
        } else {
            // Its length follows from the next entry's start, or is the half's last.
            length = k + 1 < second.entries.size() ? Items::LengthBefore(all, e, second.entries[k + 1] & kStartMask)
                                                   : second.last_length;
        }
        items.Add(all, e & kStartMask, e & ~kStartMask & ~kOddFlag, is_odd, text_start, length);
    }
    items.numbers += second.numbers;
    pos_ = all.size();
    return items.entries.size() - before;
}

std::string_view ProgramBuffer::Text(std::size_t index) const {
    const std::vector<std::uint32_t>& entries = items_->entries;
    if (index == 0 || index > entries.size()) {
        return {};
    }
    const std::uint32_t e = entries[index - 1];
    if ((e & kOddFlag) != 0) {
        const Odd& o = items_->OddOf(index - 1);
        return ((e & kNumberFlag) != 0 ? std::string_view(items_->numbers) : bytes()).substr(o.start, o.length);
    }
    const std::uint32_t start = e & kStartMask;
    const std::uint32_t length =
        index < entries.size() ? Items::LengthBefore(bytes(), e, entries[index] & kStartMask) : items_->last_length;
    return bytes().substr(start, length);
}

std::size_t ProgramBuffer::ItemStart(std::size_t index) const {
    const std::vector<std::uint32_t>& entries = items_->entries;
    if (index == 0 || index > entries.size() || (entries[index - 1] & kNumberFlag) != 0) {
        return std::string_view::npos;
    }
    return entries[index - 1] & kStartMask;
}

std::string_view ProgramBuffer::ItemTextAt(std::size_t at) const {
    const Found found = Scan(at);
    return bytes().substr(found.start, found.end - found.start);
}

bool ProgramBuffer::AfterComma(std::size_t index) const {
    const std::vector<std::uint32_t>& entries = items_->entries;
    return index >= 1 && index <= entries.size() && (entries[index - 1] & kAfterCommaFlag) != 0;
}

bool ProgramBuffer::IsNumber(std::size_t index) const {
    const std::vector<std::uint32_t>& entries = items_->entries;
    return index >= 1 && index <= entries.size() && (entries[index - 1] & kNumberFlag) != 0;
}

void ProgramBuffer::Rewind() {
    items_ = std::make_shared<Items>();
    pos_ = 0;
}

// The new last entry keeps its length, which followed from the next entry's start.
void ProgramBuffer::Truncate(std::size_t n) {
    if (n < items_->entries.size()) {
        const auto length = static_cast<std::uint32_t>(n > 0 ? Text(n).size() : 0);
        Items& items = Own();
        items.entries.resize(n);
        if (n > 0 && (items.entries.back() & kOddFlag) == 0) {
            items.last_length = length;
        }
        items.odd.erase(std::lower_bound(items.odd.begin(), items.odd.end(), n,
                                         [](const Odd& o, std::size_t e) { return o.index < e; }),
                        items.odd.end());
    }
}

} // namespace tamo
