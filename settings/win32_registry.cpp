#include "win32_registry.h"

#include <windows.h>

#include "file_registry.h"
#include "tape_store.h"
#include "win32_text.h"

namespace tickwell {

namespace {
HKEY ToHkey(RegHandle handle) { return reinterpret_cast<HKEY>(handle); }
}  // namespace

long Win32Registry::OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                              std::uint32_t access, RegHandle* result) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(ToHkey(root), subKey.c_str(), options, access, &key);
    if (status == ERROR_SUCCESS) *result = reinterpret_cast<RegHandle>(key);
    return status;
}

long Win32Registry::CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                                std::uint32_t access, RegHandle* result) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, nullptr, options, access,
                                        nullptr, &key, &disposition);
    if (status == ERROR_SUCCESS) *result = reinterpret_cast<RegHandle>(key);
    return status;
}

long Win32Registry::QueryValueEx(RegHandle key, const char* name, std::uint32_t* type,
                                 unsigned char* data, std::uint32_t* size) {
    DWORD t = 0, s = size ? *size : 0;
    const LONG status = RegQueryValueExA(ToHkey(key), name, nullptr, &t, data, size ? &s : nullptr);
    if (type) *type = t;
    if (size) *size = s;
    return status;
}

long Win32Registry::SetValueEx(RegHandle key, const char* name, std::uint32_t type,
                               const unsigned char* data, std::uint32_t size) {
    return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
}

long Win32Registry::DeleteValue(RegHandle key, const char* name) {
    return RegDeleteValueA(ToHkey(key), name);
}

long Win32Registry::DeleteKey(RegHandle key, const std::string& subKey) {
    return RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

long Win32Registry::CloseKey(RegHandle key) { return RegCloseKey(ToHkey(key)); }

namespace {

// A portable copy: while a file Tickwell.reg stands beside the program, the
// settings live in it and the registry is never touched. Empty otherwise.
std::wstring PortableFile() {
    const std::wstring exe = ExecutablePath();
    if (exe.empty()) return L"";
    const std::wstring file = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"Tickwell.reg";
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return L"";
    return file;
}

}  // namespace

std::unique_ptr<IRegistry> MakeUserRegistry() {
    const std::wstring file = PortableFile();
    if (file.empty()) return std::make_unique<Win32Registry>();
    return std::make_unique<FileRegistry>(Utf8(file));
}

// Beside a portable copy's settings, or in the user's local (not roaming)
// application data: a tape is this machine's, and may be large.
std::unique_ptr<ITapeStore> MakeUserTapeStore() {
    const std::wstring portable = PortableFile();
    if (!portable.empty())
        return std::make_unique<FileTapeStore>(
            Utf8(portable.substr(0, portable.size() - 4) + L"-Tape.txt"));
    const std::wstring local = GrowingText([](wchar_t* buffer, unsigned long size) {
        return GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, size);
    });
    return std::make_unique<FileTapeStore>(local.empty() ? ""
                                                         : Utf8(local + L"\\Tickwell\\Tape.txt"));
}

}  // namespace tickwell
