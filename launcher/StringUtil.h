// Text helpers of the login hand-off: splitting a wide text at a separator
// and decoding the percent escapes of a narrow query value.
#pragma once

#include <string>

#include "afx/CString.h"
#include "afx/CStringArray.h"

// Empties `parts`, then fills it with the pieces of `text` between
// occurrences of `separator`, in order: n separators give n + 1 pieces,
// empty pieces included. An empty text gives no pieces. Returns the number
// of pieces.
int SplitString(const CString& text, CStringArray& parts, char separator);

// Decodes a query value: '+' becomes a space and "%XY" the byte 0xXY (hex
// digits of either case). Every other byte is copied. The result may hold
// any byte, zero included.
//
// A '%' that is not followed by two hexadecimal digits still consumes
// itself and the (at most two) characters after it, and yields a '?', so
// a malformed escape shows in the result instead of passing as text.
std::string UrlDecode(const std::string& value);

// Converts to narrow text in the thread's ANSI code page; a character the
// code page cannot represent becomes its default character.
std::string ToThreadAnsi(const CString& text);

// Converts narrow text in the thread's ANSI code page to wide text, up to
// its first zero byte.
CString FromThreadAnsi(const std::string& text);
