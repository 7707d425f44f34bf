// Wide text in the tests: the platform's UTF-16 string, whose units are
// WCHAR (char16_t with our layer on Linux, wchar_t with the Windows SDK), so
// that one test source builds in both trees.
#pragma once

#include <string>

#include "win32/WinDef.h"

namespace quarrow::test {

using WideString = std::basic_string<WCHAR>;

} // namespace quarrow::test
