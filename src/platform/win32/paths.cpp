// Text between the program's code page, UTF-8 and the wide paths Windows holds names in.
#include "platform/win32/paths.h"

#include <vector>

namespace os {

namespace {

std::wstring Wide(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    int size =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size);
    return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) return {};
    BOOL* lossy = nullptr;  // CP_UTF8 takes no default character
    const char* unknown = codePage == CP_UTF8 ? nullptr : "?";
    int size = ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, unknown, lossy);
    std::string text(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                          size, unknown, lossy);
    return text;
}

bool EndsInDotOrBlank(const std::wstring& path) {
    return !path.empty() && (path.back() == L'.' || path.back() == L' ') && path != L"." &&
           path != L".." && !path.ends_with(L"\\.") && !path.ends_with(L"\\..");
}

}  // namespace

std::string FromCodePage(std::string_view text) { return Narrow(Wide(text, CP_ACP), CP_UTF8); }
std::string ToCodePage(std::string_view utf8) { return Narrow(Wide(utf8, CP_UTF8), CP_ACP); }

// The code pages whose names are not "windows-" and their number.
struct CharsetRow {
    UINT codePage;
    const char* name;
};
constexpr CharsetRow kCharsets[] = {
    {932, "shift_jis"}, {936, "gbk"},          {949, "euc-kr"},
    {950, "big5"},      {28591, "iso-8859-1"}, {65001, "utf-8"},
};

std::string CodePageCharset() {
    UINT codePage = ::GetACP();
    for (const CharsetRow& row : kCharsets)
        if (row.codePage == codePage) return row.name;
    return "windows-" + std::to_string(codePage);
}

namespace {

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

// As the file system compares names: each UTF-16 unit through the same upper-case table.
std::string NameKey(std::string_view name) {
    std::string key(name);
    if (IsAscii(name)) {  // the common case, without a conversion
        for (char& c : key) c = AsciiUpper(c);
        return key;
    }
    std::wstring wide = Wide(name, CP_UTF8);
    for (wchar_t& unit : wide) unit = ::RtlUpcaseUnicodeChar(unit);
    return Narrow(wide, CP_UTF8);
}

bool SameName(std::string_view a, std::string_view b) {
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
        return true;
    }
    return NameKey(a) == NameKey(b);
}

std::string FullPath(std::string_view path) {
    std::wstring wide = Wide(path, CP_UTF8);
    DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::vector<wchar_t> whole(size + 1);
    if (size == 0 || ::GetFullPathNameW(wide.c_str(), size + 1, whole.data(), nullptr) == 0)
        return std::string(path);
    return Narrow(whole.data(), CP_UTF8);
}

namespace win32 {

std::string Utf8(const wchar_t* wide) { return Narrow(wide, CP_UTF8); }

// Plain where Windows takes the path as it is; the \\?\ form, which Windows passes on untouched,
// where a plain path would be refused (past 247 characters, the most a new folder may have) or
// changed (a last name ending in a dot or a blank). Its folder part is made whole first, as the
// \\?\ form resolves nothing itself.
std::wstring WidePath(const char* utf8) {
    std::wstring path = Wide(utf8, CP_UTF8);
    constexpr size_t kMostPlainFolder = MAX_PATH - 12;
    if (path.size() < kMostPlainFolder && !EndsInDotOrBlank(path)) return path;
    if (path.starts_with(L"\\\\?\\")) return path;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    size_t cut = path.find_last_of(L"\\:");
    std::wstring folder = cut == std::wstring::npos ? L"." : path.substr(0, cut + 1);
    std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
    DWORD size = ::GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    std::vector<wchar_t> whole(size + 1);
    if (size == 0 || ::GetFullPathNameW(folder.c_str(), size + 1, whole.data(), nullptr) == 0)
        return path;
    std::wstring full(whole.data());
    if (!full.empty() && full.back() != L'\\') full += L'\\';
    full += name;
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace win32

}  // namespace os
