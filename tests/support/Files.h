// Small file helpers shared by the tests.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace quarrow::test {

// The whole content of a file, or an empty string when it cannot be read.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace quarrow::test
