// A library planted beside the program under a system library's name, as a
// download folder may hold one: if it is ever loaded it leaves a mark beside
// itself, and refuses to load.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring mark(path, n);
    mark = mark.substr(0, mark.find_last_of(L'\\') + 1) + L"planted-library-was-loaded";
    HANDLE file = CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return FALSE;
}
