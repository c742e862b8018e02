// Message boxes and the two common dialogs on Win32.
#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/win32/win32.h"
// The dialog headers need <windows.h> before them.
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

namespace os {

using win32::AsWindow;

int32_t ShowMessageBox(Window owner, const char* text, const char* caption, uint32_t flags) {
    return ::MessageBoxA(AsWindow(owner), text, caption, flags);
}

// The program asks for the record size of 32-bit Windows (76, the size before Windows 2000
// grew the record). On 64 bits every pointer field is wider and 76 bytes would end inside the
// record, so that GetOpenFileNameA refuses it: a size below this platform's old-style record
// becomes the full record here, whose added fields stay zero.
constexpr size_t kOldStyleSize =  // OPENFILENAME_SIZE_VERSION_400A, as a constant
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);
static_assert(sizeof(void*) == 8 || kOldStyleSize == 76, "on 32 bits 76 is taken as it is");

bool ChooseFile(OpenFileRecord& record) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = record.structSize;
    if (dialog.lStructSize < kOldStyleSize) dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = AsWindow(record.owner);
    dialog.lpstrFilter = record.filter;
    dialog.lpstrFile = record.file;
    dialog.nMaxFile = record.maxFile;
    dialog.lpstrDefExt = record.defaultExtension;
    dialog.Flags = record.flags;
    return ::GetOpenFileNameA(&dialog) != 0;
}

ItemList BrowseFolder(const BrowseRecord& record) {
    // The shell's folder tree lives in COM; a thread that already joined an apartment keeps it.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOA browse{};
    browse.hwndOwner = AsWindow(record.owner);
    browse.pidlRoot = reinterpret_cast<PCIDLIST_ABSOLUTE>(record.root);
    browse.pszDisplayName = record.displayName;
    browse.lpszTitle = record.title;
    browse.ulFlags = record.flags;
    return reinterpret_cast<ItemList>(::SHBrowseForFolderA(&browse));
}

// The wide call, as the ANSI one stops at MAX_PATH.
bool PathFromItemList(ItemList list, std::string* path) {
    std::wstring wide(32768, L'\0');
    if (!::SHGetPathFromIDListEx(reinterpret_cast<PCIDLIST_ABSOLUTE>(list), wide.data(),
                                 static_cast<DWORD>(wide.size()), GPFIDL_DEFAULT))
        return false;
    wide.resize(wide.find(L'\0'));
    int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    path->assign(static_cast<size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), path->data(),
                          size, nullptr, nullptr);
    return true;
}

void FreeItemList(ItemList list) { ::CoTaskMemFree(reinterpret_cast<void*>(list)); }

}  // namespace os
