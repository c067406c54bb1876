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
#include <thread>

namespace tickwell {

namespace {

constexpr off_t kMaxFileSize = 64 << 20;  // larger is not a settings file

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
// under the lock were left by a writer that died.
void RemoveStaleTemporaries(const std::string& path) {
    const std::string dir = DirectoryOf(path);
    const std::string prefix = path.substr(path.rfind('/') + 1) + ".tmp-";
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (const dirent* entry = readdir(d)) {
        if (std::string(entry->d_name).rfind(prefix, 0) == 0)
            unlink((dir + "/" + entry->d_name).c_str());
    }
    closedir(d);
}

long WriteAtomically(const std::string& path, const std::string& contents) {
    RemoveStaleTemporaries(path);
    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    long status = kErrorSuccess;
    {
        FileDescriptor fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (fd.Get() < 0) return kErrorAccessDenied;
        if (!WriteAll(fd.Get(), contents) || fsync(fd.Get()) != 0)
            status = errno == ENOSPC ? kErrorDiskFull : kErrorWriteFault;
    }
    if (status == kErrorSuccess && rename(temp.c_str(), path.c_str()) != 0)
        status = kErrorAccessDenied;
    if (status != kErrorSuccess) {
        unlink(temp.c_str());
        return status;
    }
    FileDescriptor dir(open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) fsync(dir.Get());  // make the rename itself durable
    return kErrorSuccess;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &tm);
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
    FileDescriptor fd(open(mPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ENOENT ? LoadState::Absent : LoadState::Unreadable;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return LoadState::Unreadable;
    const long long modifiedNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    const long long changedNs = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    Snapshot& snap = mSnapshot;
    if (allowCached && snap.valid && snap.device == st.st_dev && snap.inode == st.st_ino &&
        snap.size == static_cast<unsigned long long>(st.st_size) && snap.modifiedNs == modifiedNs &&
        snap.changedNs == changedNs) {
        hive = snap.hive;
        return snap.state;
    }
    if (st.st_size > kMaxFileSize) return LoadState::Corrupt;
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
        if (bytes.size() > static_cast<std::size_t>(kMaxFileSize)) return LoadState::Corrupt;
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

template <typename Change>
long FileRegistry::Modify(Change change) {
    if (mPath.empty() || !MakeDirectories(DirectoryOf(mPath))) return kErrorAccessDenied;
    FileDescriptor lock(open((mPath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.Get() < 0) return kErrorAccessDenied;
    const auto deadline = std::chrono::steady_clock::now() + mLockTimeout;
    while (flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return kErrorLockViolation;
        if (std::chrono::steady_clock::now() >= deadline) return kErrorLockViolation;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The lock goes with the descriptor, also when this process dies.

    regfile::Hive hive;
    const LoadState state = Load(hive, false);
    if (state == LoadState::Unreadable) return kErrorAccessDenied;  // never overwrite it
    bool changed = false;
    const long status = change(hive, changed);
    if (status != kErrorSuccess || !changed) return status;

    if (state == LoadState::Corrupt) {
        const std::string aside = mPath + ".bad-" + TimeStamp() + "-" + std::to_string(getpid());
        if (rename(mPath.c_str(), aside.c_str()) != 0) return kErrorAccessDenied;
        std::cerr << "tickwell: the settings file " << mPath
                  << " could not be read; it was kept as " << aside
                  << " and a new one was started.\n";
    }
    return WriteAtomically(mPath, regfile::Serialize(hive));
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
        if (hive.count(regfile::Lower(path)) == 0) return kErrorFileNotFound;
    }
    *result = NewHandle(path);
    return kErrorSuccess;
}

long FileRegistry::CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t,
                               std::uint32_t, RegHandle* result) {
    std::string path;
    if (const long status = Resolve(root, subKey, path); status != kErrorSuccess) return status;
    if (!IsRootPath(path)) {
        const long status = Modify([&](regfile::Hive& hive, bool& changed) {
            std::size_t pos = path.find('\\');
            while (pos != std::string::npos) {
                const auto next = path.find('\\', pos + 1);
                const std::string prefix = path.substr(0, next);
                auto& key = hive[regfile::Lower(prefix)];
                if (key.path.empty()) {
                    key.path = prefix;
                    changed = true;
                }
                pos = next;
            }
            return kErrorSuccess;
        });
        if (status != kErrorSuccess) return status;
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
    const auto found = hive.find(regfile::Lower(handle->second));
    if (found == hive.end())
        return IsRootPath(handle->second) ? kErrorFileNotFound : kErrorKeyDeleted;
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
        const auto found = hive.find(regfile::Lower(path));
        if (found == hive.end()) return kErrorKeyDeleted;
        found->second.values[NameKey(name)] = value;
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::DeleteValue(RegHandle key, const char* name) {
    const auto handle = mHandles.find(key);
    if (handle == mHandles.end()) return kErrorInvalidHandle;
    const std::string path = handle->second;
    return Modify([&](regfile::Hive& hive, bool& changed) {
        const auto found = hive.find(regfile::Lower(path));
        if (found == hive.end()) return IsRootPath(path) ? kErrorFileNotFound : kErrorKeyDeleted;
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
        const auto found = hive.find(lower);
        if (found == hive.end()) return kErrorFileNotFound;
        const auto child = hive.lower_bound(lower + '\\');
        if (child != hive.end() && child->first.rfind(lower + '\\', 0) == 0)
            return kErrorAccessDenied;  // a key with subkeys is not deleted
        hive.erase(found);
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
