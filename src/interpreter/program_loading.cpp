// Program loading: a part program file into the program buffer.

#include "interpreter/cnc.h"
#include "platform/file_io.h"

#include <cstring>

namespace tamo {

// Sizes PrgBuf to the file's length in bytes and reads the file item by item into entries 1 to
// PrgLineCount. Changes: PrgBuf, PrgLineCount. A read that fails part-way keeps the items read so
// far; the result says why it failed (empty when the whole file was read).
std::string Cnc::ReadProgramItems(const std::string& path) {
    st.PrgLineCount = 0;
    FileContents file = ReadWholeFile(path);
    if (file.error != 0 && file.bytes.empty()) {
        return std::strerror(file.error);
    }
    if (file.bytes.size() > kMaxProgramBytes) {
        return "the file is larger than 2 GiB";
    }
    const int error = file.error;
    st.PrgBuf.Size(std::move(file.bytes));
    while (st.PrgBuf.ReadNextItem()) {
        ++st.PrgLineCount;
    }
    return error != 0 ? std::strerror(error) : std::string();
}

void Cnc::Open_Menu() {}

} // namespace tamo
