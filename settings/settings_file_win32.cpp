// The settings file on Windows, for a portable copy that keeps its settings
// beside itself: the same reads and atomic, locked replacements as elsewhere,
// with the Win32 file API.
// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <random>
#include <string>

#include "reg_format.h"
#include "registry.h"
#include "settings_file.h"
#include "win32_text.h"

namespace tickwell::settingsfile {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : mHandle(h) {}
    ~Handle() {
        if (Valid()) CloseHandle(mHandle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return mHandle != INVALID_HANDLE_VALUE && mHandle != nullptr; }
    HANDLE Get() const { return mHandle; }
    void Reset(HANDLE h) {
        if (Valid()) CloseHandle(mHandle);
        mHandle = h;
    }
    void Close() { Reset(INVALID_HANDLE_VALUE); }

private:
    HANDLE mHandle;
};

long long Ticks(const FILETIME& t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                  t.dwLowDateTime);
}

// Others may read and even replace the file while it is open, as the
// atomic rename needs; a link or junction is not followed into.
HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

State ReadOpen(HANDLE file, Stamp& stamp, std::string& bytes) {
    bytes.clear();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return State::Unreadable;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return State::Unreadable;
    const unsigned long long size =
        (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp = {info.dwVolumeSerialNumber,
             (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
             size, Ticks(info.ftLastWriteTime), Ticks(info.ftCreationTime)};
    if (GetFileType(file) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || size > regfile::kMaxFileBytes)
        return State::Corrupt;
    bytes.resize(static_cast<std::size_t>(size));
    DWORD done = 0;
    if (size > 0 &&
        (!ReadFile(file, bytes.data(), static_cast<DWORD>(size), &done, nullptr) || done != size))
        return State::Unreadable;
    return State::Ok;
}

std::string TimeStamp() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return buffer;
}

// A new file under a name nobody can guess, written, flushed, then renamed
// over the settings file in one step: a crash leaves the old or the new.
long WriteAtomically(const std::wstring& path, const std::string& contents) {
    static std::random_device entropy;
    const std::wstring prefix = path + L".tmp-";
    WIN32_FIND_DATAW found{};
    // Temporary files are only written under the lock: any found were left
    // by a writer that died.
    HANDLE search = FindFirstFileW((prefix + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        const std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
        do {
            DeleteFileW((folder + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::wstring temp;
    Handle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 16 && !file.Valid(); ++attempt) {
        temp = prefix + std::to_wstring(entropy()) + std::to_wstring(entropy());
        file.Reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file.Valid()) return kErrorAccessDenied;
    DWORD written = 0;
    const bool ok =
        contents.empty() || (WriteFile(file.Get(), contents.data(),
                                       static_cast<DWORD>(contents.size()), &written, nullptr) &&
                             written == contents.size());
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    const bool flushed = ok && FlushFileBuffers(file.Get());
    file.Close();
    if (!ok || !flushed ||
        !MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return error == ERROR_DISK_FULL ? kErrorDiskFull
               : !ok                    ? kErrorWriteFault
                                        : kErrorAccessDenied;
    }
    return kErrorSuccess;
}

}  // namespace

void Report(const std::string& line) { OutputDebugStringW(Wide(line + "\n").c_str()); }

// Windows opens the file by its full path each time: nothing to keep.
struct FolderCache::Impl {};
FolderCache::FolderCache() = default;
FolderCache::~FolderCache() = default;

State Read(const std::string& path, FolderCache&, const Stamp* known, Stamp& stamp,
           std::string& bytes, std::string&) {
    Handle file(OpenForReading(Wide(path)));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? State::Absent
                                                                              : State::Unreadable;
    }
    Stamp now;
    std::string read;
    const State state = ReadOpen(file.Get(), now, read);
    stamp = now;
    if (known && state == State::Ok && *known == now) return State::Unchanged;
    bytes.swap(read);
    return state;
}

long Replace(const std::string& path, FolderCache&, LockWait& wait, const Update& update,
             std::string&) {
    const std::wstring wide = Wide(path);
    // The lock is a file of its own, so the settings file can be replaced
    // while another copy waits; Windows drops the lock when a process dies.
    Handle lock(CreateFileW((wide + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!lock.Valid()) return kErrorAccessDenied;
    const bool locked = wait.Acquire([&] {
        OVERLAPPED where{};
        if (LockFileEx(lock.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &where))
            return 1;
        return GetLastError() == ERROR_LOCK_VIOLATION ? 0 : -1;
    });
    if (!locked) return kErrorLockViolation;

    State state = State::Absent;
    std::string bytes;
    {
        Handle file(OpenForReading(wide));
        if (file.Valid()) {
            BY_HANDLE_FILE_INFORMATION info{};
            // Read-only means the user wants it kept as it is, whatever is in it.
            if (!GetFileInformationByHandle(file.Get(), &info) ||
                (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
                return kErrorAccessDenied;
            Stamp stamp;
            state = ReadOpen(file.Get(), stamp, bytes);
            if (state == State::Unreadable) return kErrorAccessDenied;
        } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            return kErrorAccessDenied;  // unreadable, or no folder: never replaced
        }
    }

    Rewrite rewrite;
    const long status = update(state, bytes, rewrite);
    if (status != kErrorSuccess || !rewrite.write) return status;
    if (rewrite.keepAside) {
        const std::wstring aside =
            wide + L".bad-" + Wide(TimeStamp()) + L"-" + std::to_wstring(GetCurrentProcessId());
        if (!MoveFileExW(wide.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
            return kErrorAccessDenied;
        ReportKeptAside(path, path.substr(path.find_last_of("\\/") + 1) + ".bad-" + TimeStamp() +
                                  "-" + std::to_string(GetCurrentProcessId()));
    }
    return WriteAtomically(wide, rewrite.contents);
}

}  // namespace tickwell::settingsfile
