#include "system_libraries.h"

// clang-format off
#include <objbase.h>
// clang-format on

#include "win32_text.h"

namespace tickwell::win {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    // Windows 8 and later, and 7 with KB2533623; elsewhere the flag is an
    // invalid parameter.
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    const std::wstring folder = GrowingText(
        [](wchar_t* buffer, unsigned long size) { return GetSystemDirectoryW(buffer, size); });
    if (folder.empty()) return nullptr;
    // A full path, whose own dependencies are looked for beside it first.
    const std::wstring path = folder + L"\\" + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictLibrarySearch() {
    SetDllDirectoryW(L"");  // not the current folder
    using SetDefault = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto set = kernel32 ? reinterpret_cast<SetDefault>(reinterpret_cast<void*>(
                                    GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                              : nullptr;
    if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void EnsureCom() {
    // Once per program, on the window thread, before anything that needs it
    // (the shell opening a link, a screen reader's first question).
    using Init = HRESULT(WINAPI*)(void*, DWORD);
    static const bool com = [] {
        const Init init = Later<Init>(L"ole32.dll", "CoInitializeEx");
        return init && SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED));
    }();
    (void)com;
}

bool OpenInShell(HWND owner, const std::wstring& target) {
    EnsureCom();  // the shell may hand the link to a COM handler
    using Execute = HINSTANCE(WINAPI*)(HWND, const wchar_t*, const wchar_t*, const wchar_t*,
                                       const wchar_t*, INT);
    static const Execute execute = Later<Execute>(L"shell32.dll", "ShellExecuteW");
    if (!execute) return false;
    const auto result = reinterpret_cast<INT_PTR>(
        execute(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
    return result > 32;
}

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}

}  // namespace tickwell::win
