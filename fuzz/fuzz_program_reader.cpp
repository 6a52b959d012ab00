// Any bytes as a program file, read item by item as the loader reads it. The buffer stores slices
// of the file and the text forms of numbers behind 32-bit offsets, so a wrong offset or length
// reads outside it; and the run loop relies on the entry after the last item.

#include "fuzz_machine.h"
#include "interpreter/numbers.h"
#include "interpreter/program_buffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tamo::fuzz::Require;

void CheckEntry(const tamo::ProgramBuffer& buffer, std::size_t index) {
    const std::string_view text = buffer.Text(index);
    // The search reads every byte of the entry: AddressSanitizer sees a slice that runs outside.
    Require(text.find_first_of("\r\n") == std::string_view::npos, "an item never holds a line end");
    if (index == 0 || index > buffer.count()) {
        Require(text.empty() && !buffer.IsNumber(index), "entry 0 and the entries past the items are empty");
        return;
    }
    if (buffer.IsNumber(index)) {
        // The stored text form must read back as the same number, or a reload would change it.
        const auto number = tamo::ReadNumber(text);
        Require(number.has_value(), "a number's text reads as a number");
        Require(tamo::FormatNumber(*number) == text, "a number's text is its general form");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamo::ProgramBuffer buffer;
    buffer.Size(std::string(reinterpret_cast<const char*>(data), size));
    Require(buffer.allocated() && buffer.bound() == size && buffer.count() == 0, "a fresh buffer is empty");

    std::vector<std::string> as_read; // each text as it reads just after its item, the last one
    while (buffer.ReadNextItem()) {
        // Every item takes at least one byte of the file: the items never outnumber the bytes.
        Require(buffer.count() <= buffer.bound(), "no more items than bytes");
        as_read.emplace_back(buffer.Text(buffer.count()));
    }
    const std::size_t count = buffer.count();
    Require(!buffer.ReadNextItem() && buffer.count() == count, "the end of the file stays the end");
    // A text does not change as items after it are read, nor when the whole file is read at once.
    tamo::ProgramBuffer at_once;
    at_once.Size(std::string(reinterpret_cast<const char*>(data), size));
    Require(at_once.ReadAllItems() == count, "read at once, the same number of items");
    for (std::size_t i = 1; i <= count; ++i) {
        Require(buffer.Text(i) == as_read[i - 1] && at_once.Text(i) == as_read[i - 1], "a text stays as it was read");
    }

    for (std::size_t i = 0; i <= count + 1; ++i) {
        CheckEntry(buffer, i);
    }
    // The run loop stops at the empty entry after the last item, which exists when the file is
    // longer than its number of items.
    Require(buffer.Exists(count + 1) == (buffer.bound() > count), "the entry after the last item");
    Require(buffer.Exists(buffer.bound()) && !buffer.Exists(buffer.bound() + 1), "the bounds are the file's length");
    return 0;
}
