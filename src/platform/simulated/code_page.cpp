// The simulated code page: Latin-1, the first 256 characters of Unicode, each one byte. Enough
// to hold names it can spell apart from names it cannot, as code page 1252 does on Windows.
#include "platform/os.h"

namespace os {

std::string FromCodePage(std::string_view text) {
    std::string utf8;
    for (unsigned char c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// One "?" per character beyond Latin-1, however many bytes it takes.
std::string ToCodePage(std::string_view utf8) {
    std::string text;
    for (size_t at = 0; at < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[at]);
        size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (length == 2 && c <= 0xC3 && at + 1 < utf8.size())
            text += static_cast<char>(((c & 0x1F) << 6) | (utf8[at + 1] & 0x3F));
        else
            text += length == 1 ? static_cast<char>(c) : '?';
        at += length;
    }
    return text;
}

std::string CodePageCharset() { return "iso-8859-1"; }

}  // namespace os
