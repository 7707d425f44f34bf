// The last-error code per thread and the system's texts for error codes.
#include "win32/ErrHandlingApi.h"
#include "support/WideString.h"
#include "support/Wine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

using quarrow::test::WideString;

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

WideString Text(DWORD code, DWORD language = 0)
{
    WCHAR buffer[512];
    const DWORD length = FormatMessageW(kFromSystem, nullptr, code, language, buffer, 512, nullptr);
    return WideString(buffer, length);
}

TEST(LastError, BelongsToEachThread)
{
    // Starting and joining a thread may set the caller's last error (it does
    // on Windows), so each thread sets and reads its code while the other
    // holds its own, in lock-step through atomics alone.
    std::atomic<int> step{0};
    DWORD seenByOther = 12345;
    DWORD keptByOther = 0;
    std::thread other([&] {
        while (step.load() != 1) {
        }
        seenByOther = GetLastError();
        SetLastError(ERROR_FILE_NOT_FOUND);
        step.store(2);
        while (step.load() != 3) {
        }
        keptByOther = GetLastError();
    });
    SetLastError(ERROR_ACCESS_DENIED);
    step.store(1);
    while (step.load() != 2) {
    }
    const DWORD keptByThis = GetLastError();
    step.store(3);
    other.join();
    EXPECT_EQ(seenByOther, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(keptByOther, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(keptByThis, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

struct MessageCase {
    DWORD code;
    const WCHAR* text;
};

class SystemMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(SystemMessage, HasItsText)
{
    if (quarrow::test::RunningUnderWine()) GTEST_SKIP() << "Wine's system texts have wordings of their own";
    // Windows ends each system text with a line break.
    EXPECT_EQ(Text(GetParam().code), WideString(GetParam().text) + _T("\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SystemMessage,
    ::testing::Values(MessageCase{ERROR_SUCCESS, _T("The operation completed successfully.")},
                      MessageCase{ERROR_FILE_NOT_FOUND, _T("The system cannot find the file specified.")},
                      MessageCase{ERROR_PATH_NOT_FOUND, _T("The system cannot find the path specified.")},
                      MessageCase{ERROR_ACCESS_DENIED, _T("Access is denied.")},
                      MessageCase{ERROR_INVALID_PARAMETER, _T("The parameter is incorrect.")},
                      MessageCase{ERROR_BAD_EXE_FORMAT, _T("The file is not a valid application.")},
                      MessageCase{267, _T("The directory name is invalid.")}));

TEST(FormatMessageW, EveryDeclaredCodeHasAOneLineText)
{
    const DWORD codes[] = {ERROR_SUCCESS,
                           ERROR_INVALID_FUNCTION,
                           ERROR_FILE_NOT_FOUND,
                           ERROR_PATH_NOT_FOUND,
                           ERROR_TOO_MANY_OPEN_FILES,
                           ERROR_ACCESS_DENIED,
                           ERROR_INVALID_HANDLE,
                           ERROR_NOT_ENOUGH_MEMORY,
                           ERROR_BAD_FORMAT,
                           ERROR_INVALID_DATA,
                           ERROR_OUTOFMEMORY,
                           ERROR_NOT_SUPPORTED,
                           ERROR_INVALID_PARAMETER,
                           ERROR_INSUFFICIENT_BUFFER,
                           ERROR_INVALID_NAME,
                           126,  // ERROR_MOD_NOT_FOUND
                           157,  // ERROR_DISCARDED
                           158,  // ERROR_NOT_LOCKED
                           ERROR_BAD_EXE_FORMAT,
                           ERROR_FILENAME_EXCED_RANGE,
                           267,  // ERROR_DIRECTORY
                           ERROR_INVALID_WINDOW_HANDLE,
                           ERROR_CLASS_DOES_NOT_EXIST,
                           ERROR_INVALID_FLAGS,
                           ERROR_NO_UNICODE_TRANSLATION,
                           ERROR_RESOURCE_DATA_NOT_FOUND,
                           ERROR_RESOURCE_TYPE_NOT_FOUND,
                           ERROR_RESOURCE_NAME_NOT_FOUND,
                           ERROR_RESOURCE_LANG_NOT_FOUND};
    for (DWORD code : codes) {
        const WideString text = Text(code);
        ASSERT_GT(text.size(), 3u) << code;
        EXPECT_EQ(text.find_first_of(_T("\r\n")), text.size() - 2) << code;
        EXPECT_EQ(text.substr(text.size() - 3), _T(".\r\n")) << code;
    }
}

TEST(FormatMessageW, BufferMustHoldTheTextAndItsTerminator)
{
    const WideString expected = Text(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(expected.empty());
    WCHAR buffer[64];
    const DWORD exact = static_cast<DWORD>(expected.size() + 1);
    for (WCHAR& c : buffer) c = _T('#');
    EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, buffer, exact, nullptr), expected.size());
    EXPECT_EQ(WideString(buffer), expected);
    EXPECT_EQ(buffer[exact], _T('#'));
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, buffer, exact - 1, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(FormatMessageW, AMaximumWidthWritesNoLineBreak)
{
    // FORMAT_MESSAGE_MAX_WIDTH_MASK: the text's own line breaks are left
    // out; the text itself stays.
    WCHAR buffer[128];
    const DWORD length =
        FormatMessageW(kFromSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 128, nullptr);
    const WideString text(buffer, length);
    const WideString full = Text(ERROR_ACCESS_DENIED);
    EXPECT_EQ(text.find_first_of(_T("\r\n")), WideString::npos);
    EXPECT_EQ(text.substr(0, full.size() - 2), full.substr(0, full.size() - 2));
}

struct RejectedCase {
    const char* name;
    DWORD flags;
    DWORD code;
    DWORD language;
    bool buffer;
    DWORD error;
};

class FormatMessageRejects : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(FormatMessageRejects, WithACode)
{
    const RejectedCase& c = GetParam();
    WCHAR buffer[64];
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(c.flags, nullptr, c.code, c.language, c.buffer ? buffer : nullptr, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, FormatMessageRejects,
    ::testing::Values(RejectedCase{"UnknownCode", kFromSystem, 99999, 0, true, 317},
                      RejectedCase{"NotFromSystem", FORMAT_MESSAGE_IGNORE_INSERTS, ERROR_ACCESS_DENIED, 0, true,
                                   ERROR_INVALID_PARAMETER},
                      RejectedCase{"NoBuffer", kFromSystem, ERROR_ACCESS_DENIED, 0, false, ERROR_INVALID_PARAMETER}),
    [](const ::testing::TestParamInfo<RejectedCase>& info) { return std::string(info.param.name); });

#if !defined(_WIN32)
// What our layer does not do: allocate the buffer itself, or speak any
// language but English. Windows does both.
INSTANTIATE_TEST_SUITE_P(
    LayerLimits, FormatMessageRejects,
    ::testing::Values(RejectedCase{"AllocateBuffer", kFromSystem | 0x00000100, ERROR_ACCESS_DENIED, 0, true,
                                   ERROR_INVALID_PARAMETER},
                      RejectedCase{"ChineseText", kFromSystem, ERROR_ACCESS_DENIED, MAKELANGID(0x04, 0x02), true,
                                   ERROR_RESOURCE_LANG_NOT_FOUND}),
    [](const ::testing::TestParamInfo<RejectedCase>& info) { return std::string(info.param.name); });
#endif

TEST(FormatMessageW, EnglishAndDefaultLanguagesGiveTheText)
{
    const WideString text = Text(ERROR_ACCESS_DENIED, MAKELANGID(0x09, 0x01));
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(Text(ERROR_ACCESS_DENIED, MAKELANGID(0x00, 0x01)), text);
    if (!quarrow::test::RunningUnderWine()) {
        EXPECT_EQ(text, _T("Access is denied.\r\n"));
    }
}

}  // namespace
