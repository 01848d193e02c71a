#include "app/language.h"

namespace rs {

DisplayLanguage SelectDisplayLanguage() { return LanguageForLangId(GetSystemDefaultLangID()); }

std::string ToCodePage(const char16_t* text, UINT codePage) {
    const wchar_t* w = AsWide(text);
    int size = WideCharToMultiByte(codePage, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    int got = WideCharToMultiByte(codePage, 0, w, -1, out.data(), size, nullptr, nullptr);
    if (got <= 1) return std::string();
    out.resize(static_cast<size_t>(got - 1));
    return out;
}

std::string ToCodePage(const std::u16string& text, UINT codePage) { return ToCodePage(text.c_str(), codePage); }

std::string ToControlText(const char16_t* text) { return ToCodePage(text, CP_ACP); }

std::wstring WideFromAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string AnsiFromWide(const std::wstring& text) {
    if (text.empty()) return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace rs
