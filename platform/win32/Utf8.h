// Internal to the platform layer: conversions between UTF-16, the layer's
// wide text, and UTF-8, the text of the libraries underneath (pango, GTK,
// WebKit) and of the system's environment. These are exact conversions that
// need no locale and keep embedded zeros; the code-page conversions of the
// program's own narrow text (WideCharToMultiByte) go through iconv instead.
// The functions own nothing and keep no state, so any thread may call them;
// they allocate, so none of them may run in a child of clone(CLONE_VM).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarrow {

// UTF-16 to UTF-8 for text that is shown or handed on: each unpaired
// surrogate becomes U+FFFD, so the rest of the text still arrives.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 to UTF-8 for text that must arrive exactly or not at all (an
// environment entry): nothing when the text holds an unpaired surrogate.
std::optional<std::string> Utf16ToUtf8Exact(std::u16string_view text);

// UTF-8 to UTF-16: each byte that does not belong to a well-formed sequence
// (a stray continuation byte, a cut-off or overlong sequence, an encoded
// surrogate, a value beyond U+10FFFF) becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace quarrow
