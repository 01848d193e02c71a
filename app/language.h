// Display language of the running system and the code page edges of the
// UTF-16 text tables.
#pragma once
#include <windows.h>

#include <string>

#include "app/language_rules.h"

namespace rs {

DisplayLanguage SelectDisplayLanguage();

// The narrow text a caption, label, button or memo takes: the table text in
// the system ANSI code page; empty when empty or unconvertible.
std::string ToControlText(const char16_t* text);

// UTF-16 table text to a given code page (950 for the stored Chinese
// message texts, CP_ACP otherwise). Empty when unconvertible.
std::string ToCodePage(const char16_t* text, UINT codePage);
std::string ToCodePage(const std::u16string& text, UINT codePage);

// mingw's wchar_t is UTF-16 as well.
inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Narrow text in the system ANSI code page to UTF-16 and back.
std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const std::wstring& text);

}  // namespace rs
