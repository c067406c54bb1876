// The system's libraries, loaded from the system folder alone and on first
// use, COM, and the shell's opening of a web address.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>

namespace tickwell::win {

// A system library loaded from the system folder alone, never from the
// program's folder or the current one: a portable copy unpacked into
// Downloads may have a planted DLL of that name beside it.
HMODULE LoadSystemLibrary(const wchar_t* name);
// At start: later loads by any part of the process search the system folder
// alone, where Windows offers that (8, and 7 with its update).
void RestrictLibrarySearch();
// COM on this thread, started on first use.
void EnsureCom();
// Opens a web address as the shell does; false when it could not.
bool OpenInShell(HWND owner, const std::wstring& target);
// The system's words for an error code, in the user's language.
std::wstring SystemMessage(DWORD error);

// Functions of Windows 10 (1607) and later, looked up at run time so the
// program still starts on older Windows, where it is system-DPI aware.
template <typename Function>
Function User32(const char* name) {
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

// The shell, COM and accessibility libraries are loaded on first use, not at
// every start: most runs never open a link or meet a screen reader. Always
// from the system folder (see LoadSystemLibrary).
template <typename Function>
Function Later(const wchar_t* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

}  // namespace tickwell::win
