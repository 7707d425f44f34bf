// The calling thread's last-error code and the system's texts for the error
// codes of win32/WinError.h.
#include "win32/ErrHandlingApi.h"

#include <cstddef>
#include <string>

namespace {

// Each thread has its own last error, as on Windows, so that a failure on
// one thread never overwrites the code another thread is about to read.
thread_local DWORD t_lastError = ERROR_SUCCESS;

// FormatMessageW's own failure when a code has no text. WinError.h does not
// carry this code yet; the value is the documented one.
constexpr DWORD kErrorMessageNotFound = 317;  // ERROR_MR_MID_NOT_FOUND

// Languages whose texts we have: English and the neutral and default
// language choices, which resolve to English here.
constexpr WORD kLangNeutral = 0x00;
constexpr WORD kLangEnglish = 0x09;

// Flags that FormatMessageW understands here. The low byte is the maximum
// line width: every text is one line, which Windows ends with a line break
// unless a width is given, and then it writes no line break at all.
constexpr DWORD kSupportedFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;

struct MessageText {
    DWORD code;
    const char16_t* text;
};

// One line per error code of WinError.h and of the codes that other headers
// of the layer add (those appear by number, so that this table needs none
// of their headers); a code added anywhere gets its text here.
constexpr MessageText kMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, u"Incorrect function."},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough memory resources are available to process this command."},
    {ERROR_BAD_FORMAT, u"An attempt was made to load a program with an incorrect format."},
    {ERROR_INVALID_DATA, u"The data is invalid."},
    {ERROR_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation."},
    {ERROR_NOT_SUPPORTED, u"The request is not supported."},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect."},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect."},
    {126, u"The specified module could not be found."},  // ERROR_MOD_NOT_FOUND
    {157, u"The segment is already discarded and cannot be locked."},  // ERROR_DISCARDED
    {158, u"The segment is already unlocked."},  // ERROR_NOT_LOCKED
    {ERROR_BAD_EXE_FORMAT, u"The file is not a valid application."},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long."},
    {267, u"The directory name is invalid."},  // ERROR_DIRECTORY
    {ERROR_INVALID_FLAGS, u"Invalid flags."},
    {ERROR_NO_UNICODE_TRANSLATION, u"No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle."},
    {ERROR_CLASS_DOES_NOT_EXIST, u"Class does not exist."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The specified resource name cannot be found in the image file."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, u"The specified resource language ID cannot be found in the image file."},
};

const char16_t* FindMessage(DWORD code)
{
    for (const MessageText& message : kMessages) {
        if (message.code == code) return message.text;
    }
    return nullptr;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD code) { t_lastError = code; }

DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                     void* arguments)
{
    // The source and the insert arguments belong to message sources other
    // than the system's table, and no system text here has inserts.
    UNREFERENCED_PARAMETER(source);
    UNREFERENCED_PARAMETER(arguments);

    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~kSupportedFlags) != 0 || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const WORD language = PRIMARYLANGID(LANGIDFROMLCID(languageId));
    if (language != kLangNeutral && language != kLangEnglish) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const char16_t* text = FindMessage(messageId);
    if (text == nullptr) {
        SetLastError(kErrorMessageNotFound);
        return 0;
    }
    std::u16string out(text);
    if ((flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == 0) out += u"\r\n";
    if (out.size() + 1 > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (std::size_t i = 0; i <= out.size(); ++i) buffer[i] = out.c_str()[i];
    return static_cast<DWORD>(out.size());
}
