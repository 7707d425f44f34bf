// GetModuleFileNameW: the executable's own path, cut to the buffer the way
// the platform cuts it.
#include "win32/ErrHandlingApi.h"
#include "win32/LibLoaderApi.h"
#include "win32/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::u16string ExecutablePath()
{
    return quarrow::Utf8ToUtf16(std::filesystem::read_symlink("/proc/self/exe").string());
}

TEST(GetModuleFileName, GivesTheExecutablesPathForNullAndItsOwnHandle)
{
    const std::u16string expected = ExecutablePath();
    for (HMODULE module : {HMODULE(nullptr), GetModuleHandleW(nullptr)}) {
        std::vector<WCHAR> buffer(expected.size() + 10, u'#');
        SetLastError(ERROR_INVALID_DATA);
        const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        EXPECT_EQ(length, expected.size());
        EXPECT_EQ(std::u16string(buffer.data()), expected);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    }
}

// A buffer that cannot take the zero as well gets as much as fits and the
// zero, and the call says so; a buffer of nothing gets nothing.
TEST(GetModuleFileName, CutsThePathToTheBufferAndSaysSo)
{
    const std::u16string expected = ExecutablePath();
    struct Case {
        DWORD size;
        DWORD result;
    };
    const Case cases[] = {
        {static_cast<DWORD>(expected.size()), static_cast<DWORD>(expected.size())},
        {5, 5},
        {1, 1},
    };
    for (const Case& c : cases) {
        std::vector<WCHAR> buffer(c.size + 4, u'#');
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), c.size), c.result) << c.size;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER)) << c.size;
        EXPECT_EQ(std::u16string(buffer.data()), expected.substr(0, c.size - 1)) << c.size;
        EXPECT_EQ(buffer[c.size], u'#') << "nothing is written past the buffer";
    }
    WCHAR untouched = u'#';
    EXPECT_EQ(GetModuleFileNameW(nullptr, &untouched, 0), 0u);
    EXPECT_EQ(untouched, u'#');
}

TEST(GetModuleFileName, FailsForAModuleThatIsNotLoaded)
{
    WCHAR buffer[16] = {};
    const auto other = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x1234));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameW(other, buffer, 16), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

} // namespace
