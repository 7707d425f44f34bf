// Fuzzes the extended dialog template parser on arbitrary bytes.
#include <cstdint>
#include <string>

#include "win32/DialogTemplate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    auto parsed = quarrow::DialogTemplate::parse(data, size, error);
    if (!parsed && error.empty()) __builtin_trap();
    return 0;
}
