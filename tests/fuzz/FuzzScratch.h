#pragma once
// A per-process scratch folder for targets that need their input as a file.
#include <cstddef>
#include <cstdint>
#include <string>

namespace zembra::fuzz {

// Writes the bytes to `name` in the scratch folder and returns its path.
std::string ScratchFile(const char* name, const std::uint8_t* data, std::size_t size);

}  // namespace zembra::fuzz
