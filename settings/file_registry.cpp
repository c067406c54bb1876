#include "file_registry.h"

#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "settings_file.h"
#include "tape_store.h"

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

bool ValidName(const char* name) {
    if (!name) return true;
    for (const char* p = name; *p; ++p)
        if (*p == '\n' || *p == '\r') return false;  // cannot be written as a .reg line
    return true;
}

std::string NameKey(const char* name) { return regfile::Lower(name ? name : ""); }

}  // namespace

namespace settingsfile {

long PlaceNewFile(const PlacingSteps& steps, bool keepAside) {
    long status = steps.writeNew();
    if (status != kErrorSuccess) return status;  // the writer removed what it began
    if (keepAside) status = steps.keepAside();
    if (status == kErrorSuccess) status = steps.moveIn();
    if (status != kErrorSuccess) steps.discardNew();
    return status;
}

bool LockWait::Acquire(const std::function<int()>& tryLock) {
    const auto now = std::chrono::steady_clock::now();
    const auto deadline = now < mNoWaitUntil ? now : now + mTimeout;
    for (;;) {
        const int got = tryLock();
        if (got != 0) return got > 0;
        if (std::chrono::steady_clock::now() >= deadline) {
            mNoWaitUntil = std::chrono::steady_clock::now() + mTimeout;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ReportKeptAside(const std::string& file, const std::string& aside) {
    Report("tickwell: the settings file " + file + " could not be read; it was kept as " + aside +
           " and a new one was started.");
}

}  // namespace settingsfile

FileRegistry::FileRegistry(std::string filePath, std::chrono::milliseconds lockTimeout)
    : mPath(std::move(filePath)), mLockWait(lockTimeout) {}

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

void FileRegistry::Warn(const std::string& problem) const {
    if (mWarned || problem.empty()) return;
    mWarned = true;
    settingsfile::Report("tickwell: window positions are not saved: " + problem + ".");
}

const regfile::Hive& FileRegistry::Current() const {
    static const regfile::Hive kEmpty;
    if (mPath.empty()) return kEmpty;
    settingsfile::Stamp stamp;
    std::string bytes, problem;
    const settingsfile::State state = settingsfile::Read(
        mPath, mFolder, mSnapshot.valid ? &mSnapshot.stamp : nullptr, stamp, bytes, problem);
    Warn(problem);
    if (state == settingsfile::State::Unchanged) return mSnapshot.hive;
    mSnapshot.valid = false;
    mSnapshot.hive.clear();
    if (state == settingsfile::State::Ok && !regfile::Parse(bytes, mSnapshot.hive))
        mSnapshot.hive.clear();
    if (state != settingsfile::State::Ok && state != settingsfile::State::Corrupt) return kEmpty;
    mSnapshot.stamp = stamp;
    mSnapshot.valid = true;
    return mSnapshot.hive;
}

void FileRegistry::BeginBatch() { ++mBatchDepth; }

long FileRegistry::EndBatch() {
    if (mBatchDepth == 0 || --mBatchDepth > 0) return kErrorSuccess;
    std::vector<Change> pending;
    pending.swap(mPending);
    if (pending.empty()) return kErrorSuccess;
    // All or nothing: one change that fails keeps the file as it was.
    return Commit([&](regfile::Hive& hive, bool& changed) {
        for (const Change& change : pending)
            if (const long status = change(hive, changed); status != kErrorSuccess) return status;
        return kErrorSuccess;
    });
}

long FileRegistry::Modify(Change change) {
    if (mBatchDepth > 0) {
        mPending.push_back(std::move(change));
        return kErrorSuccess;
    }
    return Commit(change);
}

long FileRegistry::Commit(const Change& change) {
    if (mPath.empty()) return kErrorAccessDenied;
    std::string problem;
    const long status = settingsfile::Replace(
        mPath, mFolder, mLockWait,
        [&](settingsfile::State state, const std::string& bytes, settingsfile::Rewrite& rewrite) {
            regfile::Hive hive;
            // An empty file (made with touch) is an empty store.
            bool corrupt = state == settingsfile::State::Corrupt;
            if (state == settingsfile::State::Ok && !bytes.empty() &&
                !regfile::Parse(bytes, hive)) {
                hive.clear();
                corrupt = true;
            }
            bool changed = false;
            if (const long result = change(hive, changed); result != kErrorSuccess || !changed)
                return result;
            rewrite.contents = regfile::Serialize(hive);
            if (rewrite.contents.size() > regfile::kMaxFileBytes) {
                settingsfile::Report(
                    "tickwell: a setting was not saved: the settings file would grow past " +
                    std::to_string(regfile::kMaxFileBytes >> 20) + " MiB.");
                return kErrorFileTooLarge;
            }
            rewrite.write = true;
            rewrite.keepAside = corrupt;
            return kErrorSuccess;
        },
        problem);
    Warn(problem);
    return status;
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
    for (char c : sub)
        if (static_cast<unsigned char>(c) < 0x20) return kErrorInvalidParameter;
    // Only a path that reads back as written: never one the next read refuses.
    if (!regfile::ValidKeyPath(sub)) return kErrorBadPathname;
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
    if (!IsRootPath(path) && !regfile::KeyExists(Current(), regfile::Lower(path)))
        return kErrorFileNotFound;
    *result = NewHandle(path);
    return kErrorSuccess;
}

long FileRegistry::CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t,
                               std::uint32_t, RegHandle* result) {
    std::string path;
    if (const long status = Resolve(root, subKey, path); status != kErrorSuccess) return status;
    if (!IsRootPath(path)) {
        const std::string lower = regfile::Lower(path);
        // Only a key that is missing needs the lock and a write.
        if (mBatchDepth > 0 || !regfile::KeyExists(Current(), lower)) {
            const long status = Modify([=](regfile::Hive& hive, bool& changed) {
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
    const regfile::Hive& hive = Current();
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
    return Modify([=](regfile::Hive& hive, bool& changed) {
        const std::string lower = regfile::Lower(path);
        if (!regfile::KeyExists(hive, lower)) return kErrorKeyDeleted;
        regfile::Key& key = hive[lower];
        if (key.path.empty()) key.path = path;
        key.values[NameKey(value.name.c_str())] = value;
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::DeleteValue(RegHandle key, const char* name) {
    const auto handle = mHandles.find(key);
    if (handle == mHandles.end()) return kErrorInvalidHandle;
    const std::string path = handle->second;
    const std::string nameKey = NameKey(name);
    return Modify([=](regfile::Hive& hive, bool& changed) {
        const std::string lower = regfile::Lower(path);
        const auto found = hive.find(lower);
        if (found == hive.end())
            return IsRootPath(path) || regfile::KeyExists(hive, lower) ? kErrorFileNotFound
                                                                       : kErrorKeyDeleted;
        if (found->second.values.erase(nameKey) == 0) return kErrorFileNotFound;
        changed = true;
        return kErrorSuccess;
    });
}

long FileRegistry::DeleteKey(RegHandle key, const std::string& subKey) {
    std::string path;
    if (const long status = Resolve(key, subKey, path); status != kErrorSuccess) return status;
    if (IsRootPath(path)) return kErrorAccessDenied;
    return Modify([=](regfile::Hive& hive, bool& changed) {
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

std::unique_ptr<ITapeStore> MakeUserTapeStore() {
    std::string path = FileRegistry::DefaultPath();
    if (!path.empty()) path = path.substr(0, path.rfind('/') + 1) + "tape.txt";
    return std::make_unique<FileTapeStore>(path);
}
#endif

}  // namespace tickwell
