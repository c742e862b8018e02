// UTF-8 paths of the seam as the wide paths the W calls take.
#pragma once

#include <string>

#include "platform/win32/win32.h"

namespace os::win32 {

std::wstring WidePath(const char* utf8);
std::string Utf8(const wchar_t* wide);

}  // namespace os::win32
