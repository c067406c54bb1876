// The registry kept in one .reg text file, for platforms without one.
// Reads never write; every write replaces the file atomically under an
// advisory lock, so crashes and a second running copy lose nothing.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "reg_format.h"
#include "registry.h"
#include "settings_file.h"

namespace tickwell {

class FileRegistry : public IRegistry {
public:
    explicit FileRegistry(std::string filePath,
                          std::chrono::milliseconds lockTimeout = std::chrono::seconds(2));

    // $XDG_CONFIG_HOME/tickwell/registry.reg, ~/.config when unset; empty
    // when neither that nor HOME is set (then every write fails).
    static std::string DefaultPath();

    const std::string& FilePath() const { return mPath; }

    long OpenKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                   std::uint32_t access, RegHandle* result) override;
    long CreateKeyEx(RegHandle root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, RegHandle* result) override;
    long QueryValueEx(RegHandle key, const char* name, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) override;
    long SetValueEx(RegHandle key, const char* name, std::uint32_t type, const unsigned char* data,
                    std::uint32_t size) override;
    long DeleteValue(RegHandle key, const char* name) override;
    long DeleteKey(RegHandle key, const std::string& subKey) override;
    long CloseKey(RegHandle key) override;

    void BeginBatch() override;
    long EndBatch() override;

private:
    enum class LoadState { Ok, Absent, Corrupt, Unreadable };
    using Change = std::function<long(regfile::Hive&, bool&)>;
    // The file as last read, parsed; reused while the file's identity and
    // times are unchanged (every write renames a new file into place), and
    // never copied for a lookup.
    const regfile::Hive& Current() const;
    // Reads the file afresh under the lock, applies `change`, and replaces
    // the file when it changed. Inside a batch the change waits for EndBatch.
    long Modify(Change change);
    long Commit(const Change& change);
    void Warn(const std::string& problem) const;
    long Resolve(RegHandle root, const std::string& subKey, std::string& path) const;
    RegHandle NewHandle(const std::string& path);

    std::string mPath;
    settingsfile::LockWait mLockWait;
    mutable settingsfile::FolderCache mFolder;
    mutable bool mWarned = false;
    struct Snapshot {
        bool valid = false;
        settingsfile::Stamp stamp;
        regfile::Hive hive;
    };
    mutable Snapshot mSnapshot;
    std::map<RegHandle, std::string> mHandles;
    RegHandle mNextHandle = 1;
    int mBatchDepth = 0;
    std::vector<Change> mPending;
};

}  // namespace tickwell
