// What the .reg store needs of the file system, one implementation per
// platform: reading the settings file for lookups, and replacing it whole
// under a lock. Everything about keys and values stays in FileRegistry.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace tickwell::settingsfile {

enum class State {
    Ok,          // read (an empty file is an empty store)
    Unchanged,   // the same file as `known`: not read again
    Absent,      // no file yet, or a place the store will not touch
    Corrupt,     // not a plain file, or too large: kept aside at the next write
    Unreadable,  // never replaced
};

// A file's identity and times; every write makes a new one. Where the file
// is read whole anyway (Windows), a digest of its bytes also tells an edit
// in place that a coarse clock (FAT's two seconds) would hide.
struct Stamp {
    unsigned long long device = 0, inode = 0, size = 0;
    long long modified = 0, changed = 0;
    unsigned long long digest = 0;
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && modified == o.modified &&
               changed == o.changed && digest == o.digest;
    }
};

// A Windows reparse point that names another file (a symbolic link, a
// junction, a mount point) carries the name-surrogate bit and follows the
// link rule; every other tag (cloud files, deduplication, compression) only
// says how the data is kept, and such a file is read like any other.
constexpr bool IsLinkReparseTag(unsigned long tag) { return (tag & 0x20000000UL) != 0; }

// How long a save waits for another running copy's lock. After one wait has
// run out, the rest of that save (and any other right after it, as at
// closing) tries once instead of waiting again.
class LockWait {
public:
    explicit LockWait(std::chrono::milliseconds timeout) : mTimeout(timeout) {}
    // `tryLock`: 1 locked, 0 held by another, -1 failed.
    bool Acquire(const std::function<int()>& tryLock);

private:
    std::chrono::milliseconds mTimeout;
    std::chrono::steady_clock::time_point mNoWaitUntil{};
};

// Where the file was found last: the folder that holds it, kept open between
// lookups so a lookup opens the file alone, and renewed by every save, which
// walks the whole path afresh. Each platform fills it in its own way.
class FolderCache {
public:
    FolderCache();
    ~FolderCache();
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The file's bytes, unless `known` (when not null) still describes it.
// `problem` is set when the place was refused or could not be reached.
State Read(const std::string& path, FolderCache& cache, const Stamp* known, Stamp& stamp,
           std::string& bytes, std::string& problem);

// What a save makes of the file it found.
struct Rewrite {
    bool write = false;
    bool keepAside = false;  // the old file could not be read as settings
    std::string contents;
};
using Update = std::function<long(State state, const std::string& bytes, Rewrite& rewrite)>;

// Locks, reads the file afresh, asks `update`, and replaces the file
// atomically when it says so. Returns a Win32 status; `problem` is set when
// the place was refused.
long Replace(const std::string& path, FolderCache& cache, LockWait& wait, const Update& update,
             std::string& problem);

// Deletes the file under the same lock and place rules; success when there
// is none. A link in its place is followed as a save follows it, and
// another user's file where others may make files is refused.
long Remove(const std::string& path, FolderCache& cache, LockWait& wait, std::string& problem);

// The local day a file was last written, from its stamp: "2026-12-09".
std::string StampDay(const Stamp& stamp);

// The steps of putting a new settings file in place, each platform's own;
// each returns a Win32 status.
struct PlacingSteps {
    std::function<long()> writeNew;   // complete and flushed, under a temporary name
    std::function<long()> keepAside;  // a second name for the unreadable old file
    std::function<long()> moveIn;     // the new file renamed over the old
    std::function<void()> discardNew;
};

// The one order in which both stores place a file, so a full disk or a
// crash never leaves no settings file: the new file written and flushed,
// then the unreadable one kept aside, then the rename. A failed step
// removes the new file and leaves the old where it stands.
long PlaceNewFile(const PlacingSteps& steps, bool keepAside);

// One line about the program's problems (the store's, a refused window),
// where the platform's diagnostics are read: standard error on Linux, the
// debugger's output on Windows (a GUI program has no console).
void Report(const std::string& line);

// One line about a settings file kept aside.
void ReportKeptAside(const std::string& file, const std::string& aside);

}  // namespace tickwell::settingsfile
