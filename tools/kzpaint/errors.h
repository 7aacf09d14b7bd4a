// How kzpaint reports failures: exit statuses, the library's exception as a message, and
// message boxes that stay silent (the program prints its own errors).
#pragma once

#include <string>

class KzException;

namespace kzpaint {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // an error, or a round trip that was not equal
inline constexpr int kExitUsage = 2;        // a bad command line
inline constexpr int kExitCancelled = 130;  // Ctrl-C

// Code page 932 text as UTF-8; bytes that are not code page 932 become U+30FB. Null gives "".
std::string Cp932ToUtf8(const char* text);

// The exception's alert text in UTF-8 with its code: "text (error 0x2001000B)", or
// "error 0x2001000B" when the alert has no text.
std::string DescribeError(const KzException& error);

// Routes the library's message boxes to a handler that prints nothing and answers the safest
// button (Cancel, else No, else Abort, else OK).
void InstallSilentMessageBoxes();

}  // namespace kzpaint
