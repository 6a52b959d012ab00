#pragma once

#include <string>

namespace tamo {

struct FileContents {
    std::string bytes;
    int error = 0; // errno of the failure; 0 when the whole file was read
};

// Reads a whole file. On a failure part-way, `bytes` holds what was read before it.
[[nodiscard]] FileContents ReadWholeFile(const std::string& path);

} // namespace tamo
