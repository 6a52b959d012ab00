#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

// The loaded program, one item of the file per entry. It behaves as an array with the bounds 0
// to the file's length in bytes, so that the entry after the last item exists whenever the file
// is longer than its number of items; but only the items are stored. The file's own bytes are
// kept as they were read and every entry is a slice of them, so a program costs little more
// memory than its file. A copy of the buffer (the program check's, the run estimate's) shares both
// the bytes and the entries until one of them reads items of its own.
class ProgramBuffer {
public:
    // A fresh buffer for a file of `bytes` bytes: every entry empty.
    void Size(std::string file_bytes);
    // Reads the next item from the file bytes into entry count() + 1. False at the end of the file.
    bool ReadNextItem();
    // Reads every item left, as ReadNextItem one after the other would, and says how many. A long
    // file is read in two halves on two threads: an item never runs past its line's end, so the
    // second half starts on a line of its own.
    std::size_t ReadAllItems();

    [[nodiscard]] bool allocated() const { return allocated_; }
    // Upper bound of the entries: the file's length in bytes.
    [[nodiscard]] std::size_t bound() const { return bound_; }
    [[nodiscard]] std::size_t count() const { return items_->entries.size(); }
    [[nodiscard]] bool Exists(std::size_t index) const { return allocated_ && index <= bound_; }
    // The entry's text (a number's in its text form); empty for entry 0 and entries past count().
    [[nodiscard]] std::string_view Text(std::size_t index) const;
    [[nodiscard]] bool IsNumber(std::size_t index) const;
    // The entry is not the first item of its line of the file: a comma came before it.
    [[nodiscard]] bool AfterComma(std::size_t index) const;
    // Entries past n are emptied (a read that failed keeps the items read so far).
    void Truncate(std::size_t n);

    // For a reader that must know where each item stood in the file (the program check): the
    // file's bytes, how far the reading has come in them (just past the last item's delimiter),
    // and a new reading of the same bytes from their start, every entry emptied.
    [[nodiscard]] std::string_view bytes() const { return bytes_ ? std::string_view(*bytes_) : std::string_view(); }
    [[nodiscard]] std::size_t position() const { return pos_; }
    void Rewind();
    // Where the item that starts at `at` ends: just past its delimiter, where ReadNextItem goes on.
    // A reader that walks the entries beside the bytes needs no reading of its own.
    [[nodiscard]] std::size_t ItemEnd(std::size_t at) const { return Scan(at).next; }
    // Where an entry's item starts in the bytes; npos for an item stored as a number (its entry
    // keeps the number's text, not its place) and for entries past count().
    [[nodiscard]] std::size_t ItemStart(std::size_t index) const;
    // The text of the item that starts at `at`, as its entry holds it unless it reads as a number.
    [[nodiscard]] std::string_view ItemTextAt(std::size_t at) const;

private:
    // An entry is one word: where its item starts in the file's bytes, and four marks. Its length
    // is where the next entry starts, less the delimiter between them; an item for which that does
    // not hold (a quoted one, one followed by blanks or by the end of the file, one read as a number)
    // is "odd" and keeps its length, and a number the place of its text, in Items::odd. So a
    // program costs four bytes a line besides its file.
    static constexpr std::uint32_t kStartMask = (std::uint32_t{1} << 28) - 1;
    static constexpr std::uint32_t kCrLfFlag = std::uint32_t{1} << 28; // its line ends in CR LF
    static constexpr std::uint32_t kOddFlag = std::uint32_t{1} << 29;
    static constexpr std::uint32_t kNumberFlag = std::uint32_t{1} << 30; // its text is in Items::numbers
    static constexpr std::uint32_t kAfterCommaFlag = std::uint32_t{1} << 31;
    struct Odd {
        std::uint32_t index;  // of the entry, 0 for the first
        std::uint32_t start;  // of its text: in the bytes, or in Items::numbers for a number
        std::uint32_t length; // of its text
    };

    struct Items {
        std::string numbers; // text forms of the items that read as numbers
        std::vector<std::uint32_t> entries;
        std::vector<Odd> odd;          // in the order of the entries
        std::uint32_t last_length = 0; // of the last entry, when it is not odd
        // Appends an item whose text starts at `start` in `bytes` and is `length` long (a number's
        // text at `text_start` of `numbers`); the entry before it turns odd if its length does not
        // follow from this one's start.
        void Add(std::string_view bytes, std::uint32_t start, std::uint32_t marks, bool odd_item,
                 std::uint32_t text_start, std::uint32_t length);
        // The length of an entry's item, if it is not odd, from where the next item starts: up to
        // the delimiter before the blanks that lead the next item.
        [[nodiscard]] static std::uint32_t LengthBefore(std::string_view bytes, std::uint32_t entry,
                                                        std::uint32_t next);
        [[nodiscard]] const Odd& OddOf(std::size_t entry) const;
    };
    // One item found in the bytes: its text without quotes, and where the next one starts.
    struct Found {
        std::size_t start = 0;
        std::size_t end = 0;
        std::size_t next = 0;
        bool quoted = false;
    };
    [[nodiscard]] Found Scan(std::size_t at) const;
    // Appends the items that start in [from, end) to `items`.
    void ReadItems(std::size_t from, std::size_t end, Items& items) const;
    // The items to append to: copied first when a copy of the buffer still shares them.
    Items& Own();

    // The file as read; entries point into it. Never changed once read, so that a copy of the
    // buffer (the program check's) shares it, also with another thread.
    std::shared_ptr<const std::string> bytes_;
    // Shared likewise between copies; whoever changes them takes a copy of its own first.
    std::shared_ptr<Items> items_ = std::make_shared<Items>();
    std::size_t pos_ = 0;
    std::size_t bound_ = 0;
    bool allocated_ = false;
};

// The largest program file the buffer takes: 256 MiB, some ten million lines. Entries hold 28-bit
// offsets into the file's bytes, and the odd ones 32-bit offsets into the text forms of its
// numbers, which can be up to three times as long as the items they come from ("1e14," becomes
// "100000000000000"): at this size neither comes near 4 GiB.
inline constexpr std::size_t kMaxProgramBytes = std::size_t{256} << 20;

} // namespace tamo
