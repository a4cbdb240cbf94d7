// Text at the Windows boundary. Our strings are UTF-8 inside; the system's
// wide-character API takes and gives UTF-16, so every path and message is
// converted exactly where it crosses, and drive letters, UNC paths and
// names beyond the ANSI code page pass unchanged.
#pragma once

#include <string>

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
