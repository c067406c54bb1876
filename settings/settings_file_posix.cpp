// The settings file on POSIX systems: every folder on the way checked and
// opened relative to the last, never through a name resolved twice.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "private_group.h"
#include "reg_format.h"
#include "registry.h"
#include "settings_file.h"

namespace tickwell::settingsfile {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() {
        if (mFd >= 0) close(mFd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return mFd; }
    int Release() { return std::exchange(mFd, -1); }
    void Reset(int fd) {
        if (mFd >= 0) close(mFd);
        mFd = fd;
    }

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

std::string Reason(int error) { return std::strerror(error); }

// A failed write or create, as the user should hear it: no space and a full
// quota are said as such.
long WriteStatus(int error, const std::string& what, std::string& problem) {
    if (error == ENOSPC) {
        problem = "no space is left on the disk for " + what;
        return kErrorDiskFull;
    }
    if (error == EDQUOT) {
        problem = "your disk quota is full, so " + what + " cannot be written";
        return kErrorDiskQuotaExceeded;
    }
    problem = what + " cannot be written (" + Reason(error) + ")";
    return kErrorWriteFault;
}

// The folder itself, opened for reading: folders are walked with O_PATH,
// which neither lists nor syncs.
int OpenListable(int dirFd) { return openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

// Temporary files are only written while the lock is held, so any found
// under the lock were left by a writer that died. Unlinking never follows a
// link, so a planted one is only removed.
void RemoveStaleTemporaries(int dirFd, const std::string& prefix) {
    const int listFd = OpenListable(dirFd);
    if (listFd < 0) return;
    DIR* d = fdopendir(listFd);
    if (!d) {
        close(listFd);
        return;
    }
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

// The new contents in a temporary file beside the old one, written and on
// disk before anything else happens to the old file.
long WriteTemporary(int dirFd, const std::string& base, const std::string& shown,
                    const std::string& contents, mode_t mode, std::string& temp,
                    std::string& problem) {
    const std::string prefix = base + ".tmp-";
    RemoveStaleTemporaries(dirFd, prefix);
    FileDescriptor fd(CreateTemporary(dirFd, prefix, temp));
    if (fd.Get() < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS) {
            problem = "no new file can be made in " + shown + " (" + Reason(error) + ")";
            return kErrorAccessDenied;
        }
        return WriteStatus(error, "a new settings file in " + shown, problem);
    }
    long status = kErrorSuccess;
    // The mode the user gave the file; a failure leaves it 0600, stricter
    // than asked, which is said but loses nothing.
    if (mode != 0600 && fchmod(fd.Get(), mode) != 0)
        Report("tickwell: the settings file in " + shown +
               " keeps mode 0600, not the one you gave it (" + Reason(errno) + ").");
    if (!WriteAll(fd.Get(), contents) || fsync(fd.Get()) != 0)
        status = WriteStatus(errno, "the settings file in " + shown, problem);
    fd.Reset(-1);
    if (status != kErrorSuccess) unlinkat(dirFd, temp.c_str(), 0);
    return status;
}

// ---- Reaching the settings file safely --------------------------------------
//
// Every folder from the file up to the user's home (or up to / outside it)
// must be the user's or root's and writable by nobody else, so no other user
// can swap a name on the way. A root-owned sticky folder such as /tmp passes
// (nobody can rename what others made in it), and so does a folder writable
// by the user's own private group (the usual umask 002 set-up). The walk
// opens one folder at a time relative to the last with O_PATH|O_NOFOLLOW
// (search permission is enough, as in a root-owned 0711 folder above the
// homes of a shared host) and checks the descriptor it opened, so no name is
// resolved twice; a link on the way is opened itself, read through that
// descriptor and followed only after the folder holding it has passed.

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::optional<FolderId> HomeFolder() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && env[0] == '/') {
        home = env;
    } else {
        std::vector<char> buffer(16384);
        passwd pw{}, *found = nullptr;
        if (getpwuid_r(geteuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir)
            home = found->pw_dir;
    }
    struct stat st {};
    if (home.empty() || stat(home.c_str(), &st) != 0) return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

// Whether the folder carries an access list beyond its mode bits; its group
// bits are then only the list's mask, and may hide another user's write.
// Asked through /proc, since an O_PATH descriptor reads no attributes; when
// that cannot be asked, the folder is taken to have one.
bool ExtendedAcl(int fd) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) >= 0) return true;
    return errno != ENODATA && errno != ENOTSUP;
}

bool OthersMayCreate(const struct stat& folder) {
    return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

enum class Walk { Ok, Missing, Unsafe, Failed };

struct Place {
    FileDescriptor dir{-1};     // the folder that holds the file
    std::string base;           // the file's name in it
    bool throughLink = false;   // the name given was a link, followed to its target
    bool sharedFolder = false;  // others may make files in it
    mode_t folderMode = 0;      // as the walk found it
    std::string shown;          // the folder's path, for messages
};

class SafeWalk {
public:
    explicit SafeWalk(bool create) : mCreate(create), mHome(HomeFolder()) {}

    Walk Run(const std::string& path, Place& place, std::string& problem) {
        if (path.empty() || path[0] != '/') {
            problem = "the settings file's path " + path + " is not absolute";
            return Walk::Failed;
        }
        std::deque<std::string> todo = Split(path);
        if (!Restart(problem)) return Walk::Failed;
        for (;;) {
            while (todo.size() > 1) {
                std::string name = std::move(todo.front());
                todo.pop_front();
                const Walk step = Enter(name, todo, problem);
                if (step != Walk::Ok) return step;
            }
            if (todo.empty() || todo.front() == "." || todo.front() == "..") {
                problem = "the settings path " + path + " names a folder, not a file";
                return Walk::Failed;
            }
            const std::string leaf = todo.front();
            // The name itself, opened without following it: a link is read
            // through this descriptor, never looked up again by name.
            FileDescriptor named(openat(mDir.Get(), leaf.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            struct stat st {};
            if (named.Get() >= 0 && fstat(named.Get(), &st) == 0 && S_ISLNK(st.st_mode)) {
                // A dotfile manager's link: write through to its target.
                todo.pop_front();
                const Walk step = Follow(named.Get(), leaf, st, todo, problem, true);
                if (step != Walk::Ok) return step;
                place.throughLink = true;
                continue;
            }
            if (!ChainSafe(problem)) return Walk::Unsafe;
            place.base = leaf;
            place.shown = mShown.empty() ? "/" : mShown;
            place.sharedFolder = OthersMayCreate(mChain.back());
            place.folderMode = mChain.back().st_mode;
            place.dir.Reset(mDir.Release());
            return Walk::Ok;
        }
    }

private:
    static std::deque<std::string> Split(const std::string& path) {
        std::deque<std::string> parts;
        std::size_t start = 0;
        while (start <= path.size()) {
            auto slash = path.find('/', start);
            if (slash == std::string::npos) slash = path.size();
            if (slash > start) parts.emplace_back(path.substr(start, slash - start));
            start = slash + 1;
        }
        if (!path.empty() && path.back() == '/') parts.emplace_back(".");
        return parts;
    }

    bool Restart(std::string& problem) {
        mDir.Reset(open("/", kFolderFlags));
        mChain.clear();
        mNames.clear();
        mShown.clear();
        struct stat st {};
        if (mDir.Get() < 0 || fstat(mDir.Get(), &st) != 0) {
            problem = "the folder / cannot be opened (" + Reason(errno) + ")";
            return false;
        }
        mChain.push_back(st);
        mAcl.assign(1, (st.st_mode & S_IWGRP) != 0 && ExtendedAcl(mDir.Get()));
        mNames.emplace_back("/");
        return true;
    }

    // One folder's problem; the group test asks the name service once per
    // group and run.
    const char* FolderProblem(std::size_t i, bool holding) {
        const struct stat& st = mChain[i];
        if (st.st_uid != geteuid() && st.st_uid != 0) return "belongs to another user";
        const bool rootSticky = !holding && st.st_uid == 0 && (st.st_mode & S_ISVTX);
        if ((st.st_mode & S_IWOTH) && !rootSticky) return "may be written by other users";
        if ((st.st_mode & S_IWGRP) && !rootSticky) {
            if (!PrivateGroup(st.st_gid)) return "may be written by other users";
            if (mAcl[i]) return "may be written by other users (it has an access list)";
        }
        return nullptr;
    }

    // The folders that count: from the user's home down, or all of them.
    bool ChainSafe(std::string& problem, bool holding = true) {
        std::size_t from = 0;
        if (mHome)
            for (std::size_t i = 0; i < mChain.size(); ++i)
                if (mChain[i].st_dev == mHome->device && mChain[i].st_ino == mHome->inode) from = i;
        for (std::size_t i = from; i < mChain.size(); ++i) {
            if (const char* why = FolderProblem(i, holding && i + 1 == mChain.size())) {
                problem = "the folder " + mNames[i] + " " + why;
                return false;
            }
        }
        return true;
    }

    std::string Child(const std::string& name) const { return mShown + "/" + name; }

    Walk Enter(const std::string& name, std::deque<std::string>& todo, std::string& problem) {
        if (name == ".") return Walk::Ok;
        if (name == "..") {
            if (mChain.size() > 1) {
                // The parent must be the folder the walk came through, not
                // one a rename put there meanwhile.
                const std::string shown = mShown;
                mDir.Reset(openat(mDir.Get(), "..", kFolderFlags));
                struct stat st {};
                if (mDir.Get() < 0 || fstat(mDir.Get(), &st) != 0 ||
                    !SameFile(st, mChain[mChain.size() - 2])) {
                    problem = "the folder above " + shown + " changed while it was opened";
                    return Walk::Failed;
                }
                mChain.pop_back();
                mAcl.pop_back();
                mNames.pop_back();
                mShown.erase(mShown.rfind('/'));
            }
            return Walk::Ok;
        }
        int fd = openat(mDir.Get(), name.c_str(), kFolderFlags);
        if (fd < 0 && errno == ENOENT && mCreate) {
            // Never make anything inside a folder that has not passed.
            if (!ChainSafe(problem, false)) return Walk::Unsafe;
            if (mkdirat(mDir.Get(), name.c_str(), 0700) != 0 && errno != EEXIST) {
                problem = "the folder " + Child(name) + " cannot be made (" + Reason(errno) + ")";
                return Walk::Failed;
            }
            fd = openat(mDir.Get(), name.c_str(), kFolderFlags);
        }
        if (fd < 0) {
            const int error = errno;
            if (error == ELOOP || error == ENOTDIR) {
                FileDescriptor named(
                    openat(mDir.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
                struct stat st {};
                if (named.Get() >= 0 && fstat(named.Get(), &st) == 0 && S_ISLNK(st.st_mode))
                    return Follow(named.Get(), name, st, todo, problem, false);
            }
            if (error == ENOENT) return Walk::Missing;
            problem = "the folder " + Child(name) + " cannot be opened (" + Reason(error) + ")";
            return Walk::Failed;
        }
        mDir.Reset(fd);
        struct stat st {};
        if (fstat(fd, &st) != 0) {
            problem = "the folder " + Child(name) + " cannot be examined (" + Reason(errno) + ")";
            return Walk::Failed;
        }
        mChain.push_back(st);
        mAcl.push_back((st.st_mode & S_IWGRP) != 0 && ExtendedAcl(fd));
        mShown += "/" + name;
        mNames.push_back(mShown);
        return Walk::Ok;
    }

    // Reads the link (open as `linkFd`) and queues its target.
    Walk Follow(int linkFd, const std::string& name, const struct stat& link,
                std::deque<std::string>& todo, std::string& problem, bool holding) {
        if (++mLinks > 40) {
            problem = "the settings path has too many links on the way";
            return Walk::Failed;
        }
        if (!ChainSafe(problem, holding)) return Walk::Unsafe;
        if (OthersMayCreate(mChain.back()) && link.st_uid != geteuid()) {
            problem = "the link " + Child(name) + " belongs to another user";
            return Walk::Unsafe;
        }
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t n = readlinkat(linkFd, "", target.data(), PATH_MAX);
        if (n <= 0) {
            problem = "the link " + Child(name) + " cannot be read (" + Reason(errno) + ")";
            return Walk::Failed;
        }
        const std::string text(target.data(), static_cast<std::size_t>(n));
        std::deque<std::string> parts = Split(text);
        todo.insert(todo.begin(), parts.begin(), parts.end());
        mCreate = false;  // never make folders where a link points
        if (text[0] == '/' && !Restart(problem)) return Walk::Failed;
        return Walk::Ok;
    }

    bool mCreate;
    std::optional<FolderId> mHome;
    FileDescriptor mDir{-1};
    std::vector<struct stat> mChain;  // the folders open so far, from /
    std::vector<bool> mAcl;           // whether each has an access list that matters
    std::vector<std::string> mNames;  // their paths, for messages
    std::string mShown;
    int mLinks = 0;
};

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buffer[32];
    if (std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &tm) == 0) return "0";
    return buffer;
}

// Non-blocking, so a FIFO planted at the name cannot hang the program; never
// through a link, which the walk has already followed.
int OpenSettingsFile(int dirFd, const std::string& base) {
    return openat(dirFd, base.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
}

long long Nanoseconds(const timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }

Stamp StampOf(const struct stat& st) {
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
            static_cast<unsigned long long>(st.st_size), Nanoseconds(st.st_mtim),
            Nanoseconds(st.st_ctim)};
}

// Reads a settings file already open; never blocks, never reads past the limit.
State ReadOpen(int fd, const struct stat& st, std::string& bytes) {
    bytes.clear();
    if (S_ISDIR(st.st_mode)) return State::Unreadable;
    if (!S_ISREG(st.st_mode)) return State::Corrupt;
    if (static_cast<unsigned long long>(st.st_size) > regfile::kMaxFileBytes) return State::Corrupt;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return State::Unreadable;
        }
        if (n == 0) return State::Ok;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > regfile::kMaxFileBytes) return State::Corrupt;
    }
}

// Where others may make files, a file of theirs is no settings file of ours:
// judged on the descriptor that is read, not on the name.
bool ForeignFile(const Place& place, const struct stat& file, std::string& problem) {
    if (!place.sharedFolder || file.st_uid == geteuid()) return false;
    problem = "the file " + place.shown + "/" + place.base + " belongs to another user";
    return true;
}

}  // namespace

void Report(const std::string& line) {
    const std::string text = line + "\n";
    (void)std::fwrite(text.data(), 1, text.size(), stderr);
}

struct FolderCache::Impl {
    Place place;
};
FolderCache::FolderCache() = default;
FolderCache::~FolderCache() = default;

State Read(const std::string& path, FolderCache& cache, const Stamp* known, Stamp& stamp,
           std::string& bytes, std::string& problem) {
    // A lookup opens the file in the folder found before; only when there
    // is none, or the file is not there (the folder may have been made
    // anew), is the whole path walked again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool cached = cache.impl != nullptr;
        if (!cached) {
            auto fresh = std::make_unique<FolderCache::Impl>();
            if (SafeWalk(false).Run(path, fresh->place, problem) != Walk::Ok)
                return State::Absent;  // a refused place: touch nothing there
            cache.impl = std::move(fresh);
        }
        const Place& place = cache.impl->place;
        if (cached) {
            // A folder deleted, or given other permissions, since: walk again.
            struct stat folder {};
            if (fstat(place.dir.Get(), &folder) != 0 || folder.st_nlink == 0 ||
                folder.st_mode != place.folderMode) {
                cache.impl.reset();
                continue;
            }
        }
        FileDescriptor fd(OpenSettingsFile(place.dir.Get(), place.base));
        if (fd.Get() < 0) {
            if (errno != ENOENT) return State::Unreadable;
            if (cached && !place.throughLink) {
                cache.impl.reset();
                continue;
            }
            return State::Absent;
        }
        struct stat st {};
        if (fstat(fd.Get(), &st) != 0) return State::Unreadable;
        if (ForeignFile(place, st, problem)) return State::Absent;
        stamp = StampOf(st);
        if (known && S_ISREG(st.st_mode) && *known == stamp) return State::Unchanged;
        return ReadOpen(fd.Get(), st, bytes);
    }
    return State::Absent;
}

std::string StampDay(const Stamp& stamp) {
    const std::time_t when = static_cast<std::time_t>(stamp.modified / 1000000000LL);
    std::tm tm{};
    char buffer[16];
    if (!localtime_r(&when, &tm) || std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &tm) == 0)
        return "";
    return buffer;
}

long Remove(const std::string& path, FolderCache& cache, LockWait& wait, std::string& problem) {
    cache.impl.reset();
    Place place;
    switch (SafeWalk(false).Run(path, place, problem)) {
        case Walk::Ok: break;
        case Walk::Missing: return kErrorSuccess;  // no folder, so no file
        case Walk::Unsafe:
        case Walk::Failed: return kErrorAccessDenied;
    }
    const int dir = place.dir.Get();
    const std::string file = place.shown + "/" + place.base;
    FileDescriptor lock(openat(dir, (place.base + ".lock").c_str(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    struct stat lockStat {};
    if (lock.Get() < 0 || fstat(lock.Get(), &lockStat) != 0 || !S_ISREG(lockStat.st_mode) ||
        lockStat.st_uid != geteuid()) {
        problem = "the lock file " + file + ".lock is not a file of your own";
        return kErrorAccessDenied;
    }
    if (!wait.Acquire([&] {
            if (flock(lock.Get(), LOCK_EX | LOCK_NB) == 0) return 1;
            return errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
        }))
        return kErrorLockViolation;
    FileDescriptor fd(openat(dir, place.base.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ENOENT ? kErrorSuccess : kErrorAccessDenied;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) return kErrorAccessDenied;
    if (ForeignFile(place, st, problem)) return kErrorAccessDenied;
    // Unlinking never follows a link: only the name found is removed.
    if (unlinkat(dir, place.base.c_str(), 0) != 0 && errno != ENOENT) {
        problem = "the file " + file + " cannot be deleted (" + Reason(errno) + ")";
        return kErrorAccessDenied;
    }
    return kErrorSuccess;
}

long Replace(const std::string& path, FolderCache& cache, LockWait& wait, const Update& update,
             std::string& problem) {
    cache.impl.reset();
    auto fresh = std::make_unique<FolderCache::Impl>();
    Place& place = fresh->place;
    switch (SafeWalk(true).Run(path, place, problem)) {
        case Walk::Ok: break;
        case Walk::Unsafe: return kErrorAccessDenied;
        case Walk::Missing: return kErrorFileNotFound;
        case Walk::Failed: return kErrorAccessDenied;
    }
    const int dir = place.dir.Get();
    const std::string& base = place.base;
    const std::string file = place.shown + "/" + base;

    // The lock is never followed through a link, and must be the user's own
    // plain file: another user's could be held to stall every save.
    FileDescriptor lock(openat(dir, (base + ".lock").c_str(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    struct stat lockStat {};
    if (lock.Get() < 0) {
        problem = "the lock file " + file + ".lock cannot be opened (" + Reason(errno) + ")";
        return kErrorAccessDenied;
    }
    if (fstat(lock.Get(), &lockStat) != 0 || !S_ISREG(lockStat.st_mode) ||
        lockStat.st_uid != geteuid()) {
        problem = "the lock file " + file + ".lock is not a file of your own";
        return kErrorAccessDenied;
    }
    const bool locked = wait.Acquire([&] {
        if (flock(lock.Get(), LOCK_EX | LOCK_NB) == 0) return 1;
        return errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
    });
    if (!locked) return kErrorLockViolation;
    // The lock goes with the descriptor, also when this process dies.

    State state = State::Absent;
    std::string bytes;
    mode_t mode = 0600;
    FileDescriptor fd(OpenSettingsFile(dir, base));
    if (fd.Get() >= 0) {
        struct stat st {};
        if (fstat(fd.Get(), &st) != 0) return kErrorAccessDenied;
        if (ForeignFile(place, st, problem)) return kErrorAccessDenied;
        // Read-only means the user wants it kept as it is, whatever is in it.
        if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
            problem = "the settings file " + file + " is read-only, so it is kept as it is";
            return kErrorAccessDenied;
        }
        state = ReadOpen(fd.Get(), st, bytes);
        if (state == State::Unreadable) {
            problem = "the settings file " + file + " cannot be read";
            return kErrorAccessDenied;
        }
        if (S_ISREG(st.st_mode)) mode = st.st_mode & 0666;
    } else if (errno != ENOENT) {
        // Unreadable (or a link put there since): never replaced.
        problem = "the settings file " + file + " cannot be opened (" + Reason(errno) + ")";
        return kErrorAccessDenied;
    } else if (place.throughLink) {
        return kErrorFileNotFound;  // a link to nothing: leave it be
    }
    fd.Reset(-1);
    cache.impl = std::move(fresh);  // lookups now start from this folder

    Rewrite rewrite;
    const long status = update(state, bytes, rewrite);
    if (status != kErrorSuccess || !rewrite.write) return status;
    std::string temp;
    const long placed = PlaceNewFile(
        {[&] {
             return WriteTemporary(dir, base, place.shown, rewrite.contents, mode, temp, problem);
         },
         [&] {
             const std::string aside =
                 base + ".bad-" + TimeStamp() + "-" + std::to_string(getpid());
             // A second name for the old file, then the new one over the first:
             // a settings file stands there at every moment. Where the file
             // system has no hard links, it is renamed aside instead.
             if (linkat(dir, base.c_str(), dir, aside.c_str(), 0) != 0 &&
                 renameat(dir, base.c_str(), dir, aside.c_str()) != 0) {
                 problem =
                     "the unreadable " + file + " cannot be kept aside (" + Reason(errno) + ")";
                 return kErrorAccessDenied;
             }
             ReportKeptAside(file, aside);
             return kErrorSuccess;
         },
         [&] {
             if (renameat(dir, temp.c_str(), dir, base.c_str()) == 0) return kErrorSuccess;
             problem = "the new settings file cannot replace " + file + " (" + Reason(errno) + ")";
             return kErrorAccessDenied;
         },
         [&] { unlinkat(dir, temp.c_str(), 0); }},
        rewrite.keepAside);
    if (placed != kErrorSuccess) return placed;
    // The rename itself made durable; if that fails, the save may not
    // survive a crash, and says so.
    FileDescriptor folder(OpenListable(dir));
    if (folder.Get() < 0 || fsync(folder.Get()) != 0) {
        problem =
            "the folder " + place.shown + " cannot be flushed to disk (" + Reason(errno) + ")";
        return kErrorWriteFault;
    }
    return kErrorSuccess;
}

}  // namespace tickwell::settingsfile
