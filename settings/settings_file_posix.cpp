// The settings file on POSIX systems: every folder on the way checked and
// opened relative to the last, never through a name resolved twice.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <iostream>
#include <optional>
#include <random>
#include <utility>
#include <vector>

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

long WriteAtomically(int dirFd, const std::string& base, const std::string& contents, mode_t mode) {
    const std::string prefix = base + ".tmp-";
    RemoveStaleTemporaries(dirFd, prefix);
    std::string temp;
    long status = kErrorSuccess;
    {
        FileDescriptor fd(CreateTemporary(dirFd, prefix, temp));
        if (fd.Get() < 0) return kErrorAccessDenied;
        if (mode != 0600) fchmod(fd.Get(), mode);  // the mode the user gave the file
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

// ---- Reaching the settings file safely --------------------------------------
//
// Every folder from the file up to the user's home (or up to / outside it)
// must be the user's or root's and writable by nobody else, so no other user
// can swap a name on the way. A root-owned sticky folder such as /tmp passes
// (nobody can rename what others made in it), and so does a folder writable
// by the user's own private group (the usual umask 002 set-up). The walk
// opens one folder at a time relative to the last with O_NOFOLLOW and checks
// the descriptor it opened, so no name is resolved twice; a link on the way
// is read and followed only after the folder holding it has passed.

struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
};

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

// A group of the user's own: their primary group, named after them, with no
// other members.
bool PrivateGroup(gid_t gid) {
    std::vector<char> buffer(16384);
    passwd pw{}, *user = nullptr;
    if (getpwuid_r(geteuid(), &pw, buffer.data(), buffer.size(), &user) != 0 || !user ||
        user->pw_gid != gid)
        return false;
    const std::string name = user->pw_name ? user->pw_name : "";
    std::vector<char> groupBuffer(65536);
    group gr{}, *found = nullptr;
    if (getgrgid_r(gid, &gr, groupBuffer.data(), groupBuffer.size(), &found) != 0 || !found ||
        !found->gr_name || name != found->gr_name)
        return false;
    for (char** member = found->gr_mem; member && *member; ++member)
        if (name != *member) return false;
    return true;
}

// `holding`: the folder the file (or its link) is in, where a sticky folder
// would still let others plant the names the store uses.
const char* FolderProblem(const struct stat& st, bool holding) {
    if (st.st_uid != geteuid() && st.st_uid != 0) return "belongs to another user";
    const bool rootSticky = !holding && st.st_uid == 0 && (st.st_mode & S_ISVTX);
    if ((st.st_mode & S_IWOTH) && !rootSticky) return "may be written by other users";
    if ((st.st_mode & S_IWGRP) && !rootSticky && !PrivateGroup(st.st_gid))
        return "may be written by other users";
    return nullptr;
}

bool OthersMayCreate(const struct stat& folder) {
    return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

enum class Walk { Ok, Missing, Unsafe, Failed };

struct Place {
    FileDescriptor dir{-1};    // the folder that holds the file
    std::string base;          // the file's name in it
    bool throughLink = false;  // the name given was a link, followed to its target
    std::string shown;         // the folder's path, for messages
};

class SafeWalk {
public:
    explicit SafeWalk(bool create) : mCreate(create), mHome(HomeFolder()) {}

    Walk Run(const std::string& path, Place& place, std::string& problem) {
        if (path.empty() || path[0] != '/') return Walk::Failed;
        std::deque<std::string> todo = Split(path);
        if (!Restart()) return Walk::Failed;
        for (;;) {
            while (todo.size() > 1) {
                std::string name = std::move(todo.front());
                todo.pop_front();
                const Walk step = Enter(name, todo, problem);
                if (step != Walk::Ok) return step;
            }
            if (todo.empty()) return Walk::Failed;
            const std::string& leaf = todo.front();
            if (leaf == "." || leaf == "..") return Walk::Failed;
            struct stat st {};
            const bool exists = fstatat(mDir.Get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
            if (exists && S_ISLNK(st.st_mode)) {
                // A dotfile manager's link: write through to its target.
                const std::string name = leaf;
                todo.pop_front();
                const Walk step = Follow(name, st, todo, problem, true);
                if (step != Walk::Ok) return step;
                place.throughLink = true;
                continue;
            }
            if (!ChainSafe(problem)) return Walk::Unsafe;
            // Where others may make files, a file of theirs is no settings file of ours.
            if (exists && OthersMayCreate(mChain.back()) && st.st_uid != geteuid()) {
                problem = "the file " + mShown + "/" + leaf + " belongs to another user";
                return Walk::Unsafe;
            }
            place.base = leaf;
            place.shown = mShown.empty() ? "/" : mShown;
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

    bool Restart() {
        mDir.Reset(open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        mChain.clear();
        mNames.clear();
        mShown.clear();
        struct stat st {};
        if (mDir.Get() < 0 || fstat(mDir.Get(), &st) != 0) return false;
        mChain.push_back(st);
        mNames.emplace_back("/");
        return true;
    }

    // The folders that count: from the user's home down, or all of them.
    bool ChainSafe(std::string& problem, bool holding = true) const {
        std::size_t from = 0;
        if (mHome)
            for (std::size_t i = 0; i < mChain.size(); ++i)
                if (mChain[i].st_dev == mHome->device && mChain[i].st_ino == mHome->inode) from = i;
        for (std::size_t i = from; i < mChain.size(); ++i) {
            if (const char* why = FolderProblem(mChain[i], holding && i + 1 == mChain.size())) {
                problem = "the folder " + mNames[i] + " " + why;
                return false;
            }
        }
        return true;
    }

    Walk Enter(const std::string& name, std::deque<std::string>& todo, std::string& problem) {
        if (name == ".") return Walk::Ok;
        if (name == "..") {
            if (mChain.size() > 1) {
                mDir.Reset(openat(mDir.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                mChain.pop_back();
                mNames.pop_back();
                mShown.erase(mShown.rfind('/'));
                if (mDir.Get() < 0) return Walk::Failed;
            }
            return Walk::Ok;
        }
        const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        int fd = openat(mDir.Get(), name.c_str(), flags);
        if (fd < 0 && errno == ENOENT && mCreate) {
            // Never make anything inside a folder that has not passed.
            if (!ChainSafe(problem, false)) return Walk::Unsafe;
            if (mkdirat(mDir.Get(), name.c_str(), 0700) != 0 && errno != EEXIST)
                return Walk::Failed;
            fd = openat(mDir.Get(), name.c_str(), flags);
        }
        if (fd < 0) {
            const int error = errno;
            struct stat st {};
            if ((error == ELOOP || error == ENOTDIR) &&
                fstatat(mDir.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                return Follow(name, st, todo, problem, false);
            return error == ENOENT ? Walk::Missing : Walk::Failed;
        }
        mDir.Reset(fd);
        struct stat st {};
        if (fstat(fd, &st) != 0) return Walk::Failed;
        mChain.push_back(st);
        mShown += "/" + name;
        mNames.push_back(mShown);
        return Walk::Ok;
    }

    // Reads the link `name` in the current folder and queues its target.
    Walk Follow(const std::string& name, const struct stat& link, std::deque<std::string>& todo,
                std::string& problem, bool holding) {
        if (++mLinks > 40) return Walk::Failed;
        if (!ChainSafe(problem, holding)) return Walk::Unsafe;
        if (OthersMayCreate(mChain.back()) && link.st_uid != geteuid()) {
            problem = "the link " + mShown + "/" + name + " belongs to another user";
            return Walk::Unsafe;
        }
        std::vector<char> target(PATH_MAX + 1);
        const ssize_t n = readlinkat(mDir.Get(), name.c_str(), target.data(), PATH_MAX);
        if (n <= 0) return Walk::Failed;
        const std::string text(target.data(), static_cast<std::size_t>(n));
        std::deque<std::string> parts = Split(text);
        todo.insert(todo.begin(), parts.begin(), parts.end());
        mCreate = false;  // never make folders where a link points
        if (text[0] == '/' && !Restart()) return Walk::Failed;
        return Walk::Ok;
    }

    bool mCreate;
    std::optional<FolderId> mHome;
    FileDescriptor mDir{-1};
    std::vector<struct stat> mChain;  // the folders open so far, from /
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

}  // namespace

State Read(const std::string& path, const Stamp* known, Stamp& stamp, std::string& bytes,
           std::string& problem) {
    Place place;
    const Walk walk = SafeWalk(false).Run(path, place, problem);
    if (walk != Walk::Ok) return State::Absent;  // a refused place: touch nothing there
    FileDescriptor fd(OpenSettingsFile(place.dir.Get(), place.base));
    struct stat st {};
    if (fd.Get() < 0) return errno == ENOENT ? State::Absent : State::Unreadable;
    if (fstat(fd.Get(), &st) != 0) return State::Unreadable;
    stamp = StampOf(st);
    if (known && S_ISREG(st.st_mode) && *known == stamp) return State::Unchanged;
    return ReadOpen(fd.Get(), st, bytes);
}

long Replace(const std::string& path, LockWait& wait, const Update& update, std::string& problem) {
    Place place;
    switch (SafeWalk(true).Run(path, place, problem)) {
        case Walk::Ok: break;
        case Walk::Unsafe: return kErrorAccessDenied;
        case Walk::Missing: return kErrorFileNotFound;
        case Walk::Failed: return kErrorAccessDenied;
    }
    const int dir = place.dir.Get();
    const std::string& base = place.base;

    // The lock is never followed through a link, and must be the user's own
    // plain file: another user's could be held to stall every save.
    FileDescriptor lock(openat(dir, (base + ".lock").c_str(),
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    struct stat lockStat {};
    if (lock.Get() < 0 || fstat(lock.Get(), &lockStat) != 0 || !S_ISREG(lockStat.st_mode) ||
        lockStat.st_uid != geteuid())
        return kErrorAccessDenied;
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
        struct stat file {};
        if (fstat(fd.Get(), &file) != 0) return kErrorAccessDenied;
        // Read-only means the user wants it kept as it is, whatever is in it.
        if (S_ISREG(file.st_mode) && (file.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
        state = ReadOpen(fd.Get(), file, bytes);
        if (state == State::Unreadable) return kErrorAccessDenied;
        if (S_ISREG(file.st_mode)) mode = file.st_mode & 0666;
    } else if (errno != ENOENT) {
        return kErrorAccessDenied;  // unreadable (or a link put there since): never replaced
    } else if (place.throughLink) {
        return kErrorFileNotFound;  // a link to nothing: leave it be
    }
    fd.Reset(-1);

    Rewrite rewrite;
    const long status = update(state, bytes, rewrite);
    if (status != kErrorSuccess || !rewrite.write) return status;
    if (rewrite.keepAside) {
        const std::string aside = base + ".bad-" + TimeStamp() + "-" + std::to_string(getpid());
        if (renameat(dir, base.c_str(), dir, aside.c_str()) != 0) return kErrorAccessDenied;
        ReportKeptAside(place.shown + "/" + base, aside);
    }
    return WriteAtomically(dir, base, rewrite.contents, mode);
}

}  // namespace tickwell::settingsfile
