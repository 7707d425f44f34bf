// Fuzzes the .res reader on arbitrary bytes: it must accept or reject with
// an error, never read past the input.
#include <cstdint>
#include <string>

#include "win32/linux/ResourceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    auto file = quarrow::ResourceFile::parse(data, size, error);
    if (!file && error.empty()) __builtin_trap();
    return 0;
}
