#include "file_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <random>
#include <thread>

namespace tickwell {

namespace {

constexpr long kErrorFileTooLarge = 223;

const char* RootName(RegHandle root) {
    if (root == RootHandle(0x80000000u)) return "HKEY_CLASSES_ROOT";
    if (root == RootHandle(0x80000001u)) return "HKEY_CURRENT_USER";
    if (root == RootHandle(0x80000002u)) return "HKEY_LOCAL_MACHINE";
    if (root == RootHandle(0x80000003u)) return "HKEY_USERS";
    if (root == RootHandle(0x80000005u)) return "HKEY_CURRENT_CONFIG";
    return nullptr;
}

bool IsRootPath(const std::string& path) { return path.find('\\') == std::string::npos; }

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool MakeDirectories(const std::string& dir) {
    if (dir.empty()) return false;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const auto slash = dir.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() {
        if (mFd >= 0) close(mFd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return mFd; }

private:
    int mFd;
};

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Temporary files are only written while the lock is held, so any found
// under the lock were left by a writer that died. Unlinking never follows a
// link, so a planted one is only removed.
void RemoveStaleTemporaries(int dirFd, const std::string& prefix) {
    const int listFd = dup(dirFd);
    if (listFd < 0) return;
    DIR* d = fdopendir(listFd);
    if (!d) {
        close(listFd);
        return;
    }
    rewinddir(d);
    while (const dirent* entry = readdir(d)) {
        if (std::string(entry->d_name).rfind(prefix, 0) == 0) unlinkat(dirFd, entry->d_name, 0);
    }
    closedir(d);
}

// A new file of our own in the folder: never an existing name, never through
// a link (O_EXCL refuses both), under a name nobody can guess ahead.
int CreateTemporary(int dirFd, const std::string& prefix, std::string& name) {
    static std::random_device entropy;
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = prefix + std::to_string(entropy()) + std::to_string(entropy());
        const int fd =
            openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

long WriteAtomically(int dirFd, const std::string& base, const std::string& contents) {
    const std::string prefix = base + ".tmp-";
    RemoveStaleTemporaries(dirFd, prefix);
    std::string temp;
    long status = kErrorSuccess;
    {
        FileDescriptor fd(CreateTemporary(dirFd, prefix, temp));
        if (fd.Get() < 0) return kErrorAccessDenied;
        if (!WriteAll(fd.Get(), contents) || fsync(fd.Get()) != 0)
            status = errno == ENOSPC ? kErrorDiskFull : kErrorWriteFault;
    }
    if (status == kErrorSuccess && renameat(dirFd, temp.c_str(), dirFd, base.c_str()) != 0)
        status = kErrorAccessDenied;
    if (status != kErrorSuccess) {
        unlinkat(dirFd, temp.c_str(), 0);
        return status;
    }
    fsync(dirFd);  // make the rename itself durable
    return kErrorSuccess;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buffer[32];
    if (std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &tm) == 0) return "0";
    return buffer;
}

bool ValidName(const char* name) {
    if (!name) return true;
    for (const char* p = name; *p; ++p)
        if (*p == '\n' || *p == '\r') return false;  // cannot be written as a .reg line
    return true;
}

std::string NameKey(const char* name) { return regfile::Lower(name ? name : ""); }

}  // namespace

FileRegistry::FileRegistry(std::string filePath, std::chrono::milliseconds lockTimeout)
    : mPath(std::move(filePath)), mLockTimeout(lockTimeout) {}

std::string FileRegistry::DefaultPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.config";
    } else {
        return "";
    }
    return base + "/tickwell/registry.reg";
}

FileRegistry::LoadState FileRegistry::Load(regfile::Hive& hive, bool allowCached) const {
    hive.clear();
    if (mPath.empty()) return LoadState::Absent;
    // Non-blocking, so a FIFO planted at the path cannot hang the program.
    FileDescriptor fd(open(mPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOENT) return LoadState::Absent;
        return errno == EISDIR ? LoadState::Unreadable : LoadState::Corrupt;
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) return LoadState::Unreadable;
    if (!S_ISREG(st.st_mode)) return LoadState::Corrupt;  // kept aside at the next write
    const long long modifiedNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    const long long changedNs = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    Snapshot& snap = mSnapshot;
    if (allowCached && snap.valid && snap.device == st.st_dev && snap.inode == st.st_ino &&
        snap.size == static_cast<unsigned long long>(st.st_size) && snap.modifiedNs == modifiedNs &&
        snap.changedNs == changedNs) {
        hive = snap.hive;
        return snap.state;
    }
    if (static_cast<unsigned long long>(st.st_size) > regfile::kMaxFileBytes)
        return LoadState::Corrupt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LoadState::Unreadable;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > regfile::kMaxFileBytes) return LoadState::Corrupt;
    }
    const LoadState state = regfile::Parse(bytes, hive) ? LoadState::Ok : LoadState::Corrupt;
    if (state == LoadState::Corrupt) hive.clear();
    snap = Snapshot{true,
                    static_cast<unsigned long long>(st.st_dev),
                    static_cast<unsigned long long>(st.st_ino),
                    static_cast<unsigned long long>(st.st_size),
                    modifiedNs,
                    changedNs,
                    state,
                    hive};
    return state;
}

bool FileRegistry::SafeFolder(int dirFd, const std::string& dir) const {
    struct stat st {};
    if (fstat(dirFd, &st) != 0) return false;
    const char* problem = nullptr;
    if (st.st_uid != geteuid()) {
        problem = "belongs to another user";
    } else if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        problem = "may be written by other users";
    }
    if (!problem) return true;
    if (!mWarnedFolder) {
        std::cerr << "tickwell: window positions are not saved: the folder " << dir << " "
                  << problem << ".\n";
        mWarnedFolder = true;
    }
    return false;
}

bool FileRegistry::Lock(int fd) {
    // After one wait has run out, the rest of this save (and any other right
    // after it, as at closing) tries once instead of waiting again.
    const auto now = std::chrono::steady_clock::now();
    const auto deadline = now < mNoWaitUntil ? now : now + mLockTimeout;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            mNoWaitUntil = std::chrono::steady_clock::now() + mLockTimeout;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

template <typename Change>
long FileRegistry::Modify(Change change) {
    if (mPath.empty()) return kErrorAccessDenied;
    // A settings file that is a link (a dotfile manager's) is written through
    // to its target, never replaced by a plain file.
    std::string target = mPath;
    struct stat link {};
    if (lstat(mPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* real = realpath(mPath.c_str(), nullptr);
        if (!real) return kErrorFileNotFound;  // a link to nowhere: leave it be
        target = real;
        std::free(real);
    } else if (!MakeDirectories(DirectoryOf(mPath))) {
        return kErrorAccessDenied;
    }
    const std::string dir = DirectoryOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    FileDescriptor dirFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() < 0 || !SafeFolder(dirFd.Get(), dir)) return kErrorAccessDenied;

    // Nobody else can write in the folder now, and the lock is never
    // followed through a link nor opened if it is anything but a plain file.
    FileDescriptor lock(openat(dirFd.Get(), (base + ".lock").c_str(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    struct stat lockStat {};
    if (lock.Get() < 0 || fstat(lock.Get(), &lockStat) != 0 || !S_ISREG(lockStat.st_mode))
        return kErrorAccessDenied;
    if (!Lock(lock.Get())) return kErrorLockViolation;
    // The lock goes with the descriptor, also when this process dies.

    regfile::Hive hive;
    const LoadState state = Load(hive, false);
    if (state == LoadState::Unreadable) return kErrorAccessDenied;  // never overwrite it
    struct stat file {};
    if (state == LoadState::Ok &&
        fstatat(dirFd.Get(), base.c_str(), &file, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(file.st_mode) && (file.st_mode & S_IWUSR) == 0)
        return kErrorAccessDenied;  // the user made it read-only: respect that
    bool changed = false;
    const long status = change(hive, changed);
    if (status != kErrorSuccess || !changed) return status;
    const std::string contents = regfile::Serialize(hive);
    if (contents.size() > regfile::kMaxFileBytes) return kErrorFileTooLarge;

    if (state == LoadState::Corrupt) {
        const std::string aside = base + ".bad-" + TimeStamp() + "-" + std::to_string(getpid());
        if (renameat(dirFd.Get(), base.c_str(), dirFd.Get(), aside.c_str()) != 0)
            return kErrorAccessDenied;
        std::cerr << "tickwell: the settings file " << target
                  << " could not be read; it was kept as " << dir << "/" << aside
                  << " and a new one was started.\n";
    }
    return WriteAtomically(dirFd.Get(), base, contents);
}

long FileRegistry::Resolve(RegHandle root, const std::string& subKey, std::string& path) const {
    if (const char* name = RootName(root)) {
        path = name;
    } else if (const auto it = mHandles.find(root); it != mHandles.end()) {
        path = it->second;
    } else {
        return kErrorInvalidHandle;
    }
    std::string sub = subKey;
    if (!sub.empty() && sub.back() == '\\') sub.pop_back();
    if (sub.empty()) return kErrorSuccess;
    if (sub.front() == '\\' || sub.find("\\\\") != std::string::npos) return kErrorBadPathname;
    for (char c : sub)
        if (static_cast<unsigned char>(c) < 0x20) return kErrorInvalidParameter;
    path += '\\';
    path += sub;
    return kErrorSuccess;
}

RegHandle FileRegistry::NewHandle(const std::string& path) {
    const RegHandle handle = mNextHandle++;
    mHandles[handle] = path;
    return handle;
}

long FileRegistry::OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t,
                             std::uint32_t, RegHandle* result) {
    std::string path;
    if (const long status = Resolve(root, subKey, path); status != kErrorSuccess) return status;
    if (!IsRootPath(path)) {
        regfile::Hive hive;
        Load(hive);
        if (!regfile::KeyExists(hive, regfile::Lower(path))) return kErrorFileNotFound;
    }
    *result = NewHandle(path);
    return kErrorSuccess;
}

long FileRegistry::CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t,
                               std::uint32_t, RegHandle* result) {
    std::string path;
    if (const long status = Resolve(root, subKey, path); status != kErrorSuccess) return status;
    if (!IsRootPath(path)) {
        const std::string lower = regfile::Lower(path);
        regfile::Hive current;
        Load(current);
        // Only a key that is missing needs the lock and a write.
        if (!regfile::KeyExists(current, lower)) {
            const long status = Modify([&](regfile::Hive& hive, bool& changed) {
                if (!regfile::KeyExists(hive, lower)) {
                    hive[lower].path = path;
                    changed = true;
                }
                return kErrorSuccess;
            });
            if (status != kErrorSuccess) return status;
        }
    }
    *result = NewHandle(path);
    return kErrorSuccess;
}

long FileRegistry::QueryValueEx(RegHandle key, const char* name, std::uint32_t* type,
                                unsigned char* data, std::uint32_t* size) {
    const auto handle = mHandles.find(key);
    if (handle == mHandles.end()) return kErrorInvalidHandle;
    regfile::Hive hive;
    Load(hive);
    const std::string lower = regfile::Lower(handle->second);
    const auto found = hive.find(lower);
    if (found == hive.end())
        return IsRootPath(handle->second) || regfile::KeyExists(hive, lower) ? kErrorFileNotFound
                                                                             : kErrorKeyDeleted;
    const auto value = found->second.values.find(NameKey(name));
    if (value == found->second.values.end()) return kErrorFileNotFound;
    const std::string& bytes = value->second.data;
    if (type) *type = value->second.type;
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (!data) {
        if (size) *size = length;
        return kErrorSuccess;
    }
    if (!size) return kErrorInvalidParameter;
    if (*size < length) {
        *size = length;
        return kErrorMoreData;
    }
    std::copy(bytes.begin(), bytes.end(), data);
    *size = length;
    return kErrorSuccess;
}

long FileRegistry::SetValueEx(RegHandle key, const char* name, std::uint32_t type,
                              const unsigned char* data, std::uint32_t size) {
    const auto handle = mHandles.find(key);
    if (handle == mHandles.end()) return kErrorInvalidHandle;
    if (!ValidName(name) || (size > 0 && !data)) return kErrorInvalidParameter;
    const std::string path = handle->second;
    if (IsRootPath(path)) return kErrorAccessDenied;
    regfile::Value value{name ? name : "", type,
                         std::string(reinterpret_cast<const char*>(data), size)};
    return Modify([&](regfile::Hive& hive, bool& changed) {
        const std::string lower = regfile::Lower(path);
        if (!regfile::KeyExists(hive, lower)) return kErrorKeyDeleted;
        regfile::Key& key = hive[lower];
        if (key.path.empty()) key.path = path;
        key.values[NameKey(name)] = value;
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::DeleteValue(RegHandle key, const char* name) {
    const auto handle = mHandles.find(key);
    if (handle == mHandles.end()) return kErrorInvalidHandle;
    const std::string path = handle->second;
    return Modify([&](regfile::Hive& hive, bool& changed) {
        const std::string lower = regfile::Lower(path);
        const auto found = hive.find(lower);
        if (found == hive.end())
            return IsRootPath(path) || regfile::KeyExists(hive, lower) ? kErrorFileNotFound
                                                                       : kErrorKeyDeleted;
        if (found->second.values.erase(NameKey(name)) == 0) return kErrorFileNotFound;
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::DeleteKey(RegHandle key, const std::string& subKey) {
    std::string path;
    if (const long status = Resolve(key, subKey, path); status != kErrorSuccess) return status;
    if (IsRootPath(path)) return kErrorAccessDenied;
    return Modify([&](regfile::Hive& hive, bool& changed) {
        const std::string lower = regfile::Lower(path);
        if (!regfile::KeyExists(hive, lower)) return kErrorFileNotFound;
        if (regfile::HasSubkeys(hive, lower)) return kErrorAccessDenied;  // not with subkeys
        hive.erase(lower);
        // The parent outlives its last subkey, as in the registry.
        const std::string parent = path.substr(0, path.rfind('\\'));
        if (!IsRootPath(parent) && !regfile::KeyExists(hive, regfile::Lower(parent)))
            hive[regfile::Lower(parent)].path = parent;
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::CloseKey(RegHandle key) {
    if (RootName(key)) return kErrorSuccess;
    return mHandles.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

#ifndef _WIN32
std::unique_ptr<IRegistry> MakeUserRegistry() {
    return std::make_unique<FileRegistry>(FileRegistry::DefaultPath());
}
#endif

}  // namespace tickwell
