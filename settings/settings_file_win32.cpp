// The settings file on Windows, for a portable copy that keeps its settings
// beside itself: the same reads and atomic, locked replacements as elsewhere,
// with the Win32 file API.
// clang-format off
#include <windows.h>
// clang-format on
#include <aclapi.h>

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
    Handle(Handle&& other) noexcept : mHandle(other.mHandle) { other.mHandle = nullptr; }
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

unsigned long long Digest(const std::string& bytes) {
    unsigned long long hash = 14695981039346656037ULL;  // FNV-1a
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
    return hash;
}

// Whether the user this process runs as owns the object behind `handle`
// (directly, or through a group it belongs to, as Administrators when
// elevated).
bool OwnedByUser(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool own = false;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
        DWORD size = 0;
        if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size))
            own = EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) != FALSE;
        CloseHandle(token);
    }
    BOOL member = FALSE;
    if (!own && CheckTokenMembership(nullptr, owner, &member)) own = member != FALSE;
    LocalFree(descriptor);
    return own;
}

std::wstring FinalPath(HANDLE file) {
    return GrowingText([file](wchar_t* buffer, unsigned long size) {
        return GetFinalPathNameByHandleW(file, buffer, size, 0);
    });
}

// The settings file opened for reading, and where a save writes it. Others
// may read and even replace the file while it is open, as the atomic rename
// needs. A file whose reparse point only says how its data is kept is
// opened through its filter (a cloud file is fetched); a link is followed
// only when it is the user's own, and a save then writes its target.
struct Opened {
    Handle file{INVALID_HANDLE_VALUE};
    std::wstring path;  // the file a save replaces
    DWORD error = ERROR_SUCCESS;
    std::string problem;
};

Opened OpenSettings(const std::wstring& path, const std::string& shown) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    Opened opened;
    opened.path = path;
    opened.file.Reset(CreateFileW(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!opened.file.Valid()) {
        opened.error = GetLastError();
        return opened;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(opened.file.Get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        !(tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return opened;
    const bool link = IsLinkReparseTag(tag.ReparseTag);
    if (link && !OwnedByUser(opened.file.Get())) {
        opened.file.Close();
        opened.error = ERROR_ACCESS_DENIED;
        opened.problem = "the link " + shown + " belongs to another user";
        return opened;
    }
    opened.file.Reset(
        CreateFileW(path.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!opened.file.Valid()) {
        opened.error = GetLastError();
        if (link && (opened.error == ERROR_FILE_NOT_FOUND || opened.error == ERROR_PATH_NOT_FOUND))
            opened.problem = "the link " + shown + " points to nothing, so it is left as it is";
        return opened;
    }
    if (link) {
        opened.path = FinalPath(opened.file.Get());
        if (opened.path.empty()) {
            opened.file.Close();
            opened.error = ERROR_ACCESS_DENIED;
            opened.problem = "the link " + shown + " cannot be followed";
        }
    }
    return opened;
}

State ReadOpen(HANDLE file, Stamp& stamp, std::string& bytes) {
    bytes.clear();
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO times{};
    if (!GetFileInformationByHandle(file, &info) ||
        !GetFileInformationByHandleEx(file, FileBasicInfo, &times, sizeof times))
        return State::Unreadable;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return State::Unreadable;
    const unsigned long long size =
        (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    // The change time moves with every write and rename, where the creation
    // time would stay.
    stamp = {info.dwVolumeSerialNumber,
             (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
             size,
             Ticks(info.ftLastWriteTime),
             times.ChangeTime.QuadPart,
             0};
    if (GetFileType(file) != FILE_TYPE_DISK || size > regfile::kMaxFileBytes) return State::Corrupt;
    bytes.resize(static_cast<std::size_t>(size));
    DWORD done = 0;
    if (size > 0 &&
        (!ReadFile(file, bytes.data(), static_cast<DWORD>(size), &done, nullptr) || done != size))
        return State::Unreadable;
    stamp.digest = Digest(bytes);
    return State::Ok;
}

// A virus scanner, an indexer or a sync client may hold the file for a
// moment, without sharing its deletion; the rename is tried again within
// the save's wait. Windows says "access denied" when it is the file being
// replaced that is held, "sharing violation" when it is the one moved.
bool MovePatiently(const std::wstring& from, const std::wstring& to, DWORD flags, LockWait& wait,
                   DWORD& error) {
    error = ERROR_SUCCESS;
    return wait.Acquire([&] {
        if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 1;
        error = GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                       error == ERROR_ACCESS_DENIED
                   ? 0
                   : -1;
    });
}

std::string TimeStamp() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return buffer;
}

// A new file under a name nobody can guess beside the settings file,
// written and flushed; it is removed again when that fails.
long WriteTemporary(const std::wstring& path, const std::string& contents, std::wstring& temp) {
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
    if (ok && flushed) return kErrorSuccess;
    DeleteFileW(temp.c_str());
    return error == ERROR_DISK_FULL ? kErrorDiskFull : kErrorWriteFault;
}

}  // namespace

void Report(const std::string& line) { OutputDebugStringW(Wide(line + "\n").c_str()); }

// Windows opens the file by its full path each time: nothing to keep.
struct FolderCache::Impl {};
FolderCache::FolderCache() = default;
FolderCache::~FolderCache() = default;

State Read(const std::string& path, FolderCache&, const Stamp* known, Stamp& stamp,
           std::string& bytes, std::string& problem) {
    Opened opened = OpenSettings(Wide(path), path);
    if (!opened.file.Valid()) {
        problem = opened.problem;
        if (!problem.empty()) return State::Absent;
        return opened.error == ERROR_FILE_NOT_FOUND || opened.error == ERROR_PATH_NOT_FOUND
                   ? State::Absent
                   : State::Unreadable;
    }
    Stamp now;
    std::string read;
    const State state = ReadOpen(opened.file.Get(), now, read);
    stamp = now;
    if (known && state == State::Ok && *known == now) return State::Unchanged;
    bytes.swap(read);
    return state;
}

std::string StampDay(const Stamp& stamp) {
    FILETIME utc{static_cast<DWORD>(stamp.modified & 0xFFFFFFFF),
                 static_cast<DWORD>(static_cast<unsigned long long>(stamp.modified) >> 32)};
    SYSTEMTIME universal{}, local{};
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return "";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", local.wYear, local.wMonth, local.wDay);
    return buffer;
}

// DeleteFile removes a link itself, never what it points to.
long Remove(const std::string& path, FolderCache&, LockWait&, std::string& problem) {
    if (DeleteFileW(Wide(path).c_str())) return kErrorSuccess;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kErrorSuccess;
    problem = "the file " + path + " cannot be deleted";
    return kErrorAccessDenied;
}

long Replace(const std::string& path, FolderCache&, LockWait& wait, const Update& update,
             std::string& problem) {
    // The folder the file goes in, where it is the last one missing
    // (the Tickwell folder in the local application data, at the first save).
    const std::wstring wide = Wide(path);
    CreateDirectoryW(wide.substr(0, wide.find_last_of(L"\\/")).c_str(), nullptr);
    // Where the settings go: the file itself, or a link's target.
    std::wstring target = Wide(path);
    std::string shown = path;
    {
        Opened probe = OpenSettings(target, path);
        if (!probe.problem.empty()) {
            problem = probe.problem;
            return probe.error == ERROR_ACCESS_DENIED ? kErrorAccessDenied : kErrorFileNotFound;
        }
        if (probe.file.Valid() && probe.path != target) {
            target = probe.path;
            shown = Utf8(target);
        }
    }
    // The lock is a file of its own, so the settings file can be replaced
    // while another copy waits; Windows drops the lock when a process dies.
    // It is never followed through a link, and must be the user's own plain
    // file: another's could be held to stall every save, and a hard link
    // would lock some other file.
    Handle lock(CreateFileW((target + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!lock.Valid()) {
        problem = "the lock file " + shown + ".lock cannot be opened";
        return kErrorAccessDenied;
    }
    BY_HANDLE_FILE_INFORMATION lockInfo{};
    if (!GetFileInformationByHandle(lock.Get(), &lockInfo) ||
        (lockInfo.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        lockInfo.nNumberOfLinks > 1 || !OwnedByUser(lock.Get())) {
        problem = "the lock file " + shown + ".lock is not a file of your own";
        return kErrorAccessDenied;
    }
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
        Opened opened = OpenSettings(target, shown);
        if (opened.file.Valid()) {
            BY_HANDLE_FILE_INFORMATION info{};
            // Read-only means the user wants it kept as it is, whatever is in it.
            if (!GetFileInformationByHandle(opened.file.Get(), &info)) return kErrorAccessDenied;
            if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
                problem = "the settings file " + shown + " is read-only, so it is kept as it is";
                return kErrorAccessDenied;
            }
            Stamp stamp;
            state = ReadOpen(opened.file.Get(), stamp, bytes);
            if (state == State::Unreadable) return kErrorAccessDenied;
        } else if (opened.error != ERROR_FILE_NOT_FOUND || opened.path != target) {
            // Unreadable, no folder, or a link put there since: never replaced.
            problem = opened.problem;
            return kErrorAccessDenied;
        }
    }

    Rewrite rewrite;
    const long status = update(state, bytes, rewrite);
    if (status != kErrorSuccess || !rewrite.write) return status;
    std::wstring temp;
    return PlaceNewFile(
        {[&] { return WriteTemporary(target, rewrite.contents, temp); },
         [&] {
             const std::string suffix =
                 ".bad-" + TimeStamp() + "-" + std::to_string(GetCurrentProcessId());
             // A second name for the old file, then the new one over the first:
             // a settings file stands there at every moment. Where the volume
             // has no hard links (FAT), it is renamed aside instead.
             DWORD error = ERROR_SUCCESS;
             if (!CreateHardLinkW((target + Wide(suffix)).c_str(), target.c_str(), nullptr) &&
                 !MovePatiently(target, target + Wide(suffix), MOVEFILE_WRITE_THROUGH, wait, error))
                 return kErrorAccessDenied;
             ReportKeptAside(shown, shown.substr(shown.find_last_of("\\/") + 1) + suffix);
             return kErrorSuccess;
         },
         [&] {
             DWORD error = ERROR_SUCCESS;
             if (MovePatiently(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH,
                               wait, error))
                 return kErrorSuccess;
             return error == ERROR_SHARING_VIOLATION ? kErrorSharingViolation : kErrorAccessDenied;
         },
         [&] { DeleteFileW(temp.c_str()); }},
        rewrite.keepAside);
}

}  // namespace tickwell::settingsfile
