// INF texts for the host tests: an INF that matches the reader, to be
// changed one line at a time, and its UTF-16 LE form.
#pragma once
#include <string>

namespace rs::test {

inline const std::string kReaderInf =
    "; reader\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "[Manufacturer]\r\n"
    "%Mfg%=Models,NTx86\r\n"
    "[Models.NTx86]\r\n"
    "%Desc%=Install,%HardwareId%\r\n"
    "[Strings]\r\n"
    "Mfg=\"ORVEX\"\r\n"
    "Desc=\"Reader\"\r\n"
    "HardwareId=\"usb\\VID_0D4E&PID_0010\"\r\n"
    "[Install]\r\n";

// `text` with its first `from` replaced by `to`.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text + "\n(not found: " + from + ")" : text.replace(at, from.size(), to);
}

// ASCII text as UTF-16 LE, with the byte-order mark unless told not to.
inline std::string Utf16Le(const std::string& ascii, bool mark = true) {
    std::string out = mark ? "\xFF\xFE" : "";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

}  // namespace rs::test
