// The last-error code per thread and the system's texts for error codes.
#include "win32/ErrHandlingApi.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

std::u16string Text(DWORD code, DWORD language = 0)
{
    WCHAR buffer[512];
    const DWORD length = FormatMessageW(kFromSystem, nullptr, code, language, buffer, 512, nullptr);
    return std::u16string(buffer, length);
}

TEST(LastError, BelongsToEachThread)
{
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOther = 12345;
    DWORD setByOther = 0;
    std::thread other([&] {
        seenByOther = GetLastError();
        SetLastError(ERROR_FILE_NOT_FOUND);
        setByOther = GetLastError();
    });
    other.join();
    EXPECT_EQ(seenByOther, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(setByOther, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

struct MessageCase {
    DWORD code;
    const char16_t* text;
};

class SystemMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(SystemMessage, HasItsText)
{
    EXPECT_EQ(Text(GetParam().code), GetParam().text);
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
        const std::u16string text = Text(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of(_T("\r\n")), std::u16string::npos) << code;
        EXPECT_EQ(text.back(), _T('.')) << code;
    }
}

TEST(FormatMessageW, BufferMustHoldTheTextAndItsTerminator)
{
    const std::u16string expected = _T("Access is denied.");
    WCHAR buffer[32];
    const DWORD exact = static_cast<DWORD>(expected.size() + 1);

    for (WCHAR& c : buffer) c = _T('#');
    EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, buffer, exact, nullptr), expected.size());
    EXPECT_EQ(std::u16string(buffer), expected);
    EXPECT_EQ(buffer[exact], _T('#'));

    SetLastError(0);
    EXPECT_EQ(FormatMessageW(kFromSystem, nullptr, ERROR_ACCESS_DENIED, 0, buffer, exact - 1, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
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
                      RejectedCase{"AllocateBuffer", kFromSystem | 0x00000100, ERROR_ACCESS_DENIED, 0, true,
                                   ERROR_INVALID_PARAMETER},
                      RejectedCase{"NoBuffer", kFromSystem, ERROR_ACCESS_DENIED, 0, false, ERROR_INVALID_PARAMETER},
                      RejectedCase{"ChineseText", kFromSystem, ERROR_ACCESS_DENIED, MAKELANGID(0x04, 0x02), true,
                                   ERROR_RESOURCE_LANG_NOT_FOUND}),
    [](const ::testing::TestParamInfo<RejectedCase>& info) { return std::string(info.param.name); });

TEST(FormatMessageW, EnglishAndDefaultLanguagesGiveTheText)
{
    EXPECT_EQ(Text(ERROR_ACCESS_DENIED, MAKELANGID(0x09, 0x01)), _T("Access is denied."));
    EXPECT_EQ(Text(ERROR_ACCESS_DENIED, MAKELANGID(0x00, 0x01)), _T("Access is denied."));
}

}  // namespace
