#include "file_registry.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>

#include "placement_fakes.h"
#include "private_group.h"
#include "reg_settings.h"
#include "registry_contract.h"
#include "tape_store.h"
#include "temp_dir.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;

std::string& ContractDir() {
    static TempDir dir;
    return const_cast<std::string&>(dir.Path());
}

INSTANTIATE_TEST_SUITE_P(FileStore, RegistryContract,
                         ::testing::Values(RegistryMaker{"File",
                                                         [] {
                                                             static int n = 0;
                                                             return std::make_unique<FileRegistry>(
                                                                 ContractDir() + "/" +
                                                                 std::to_string(n++) +
                                                                 "/tickwell/registry.reg");
                                                         }}),
                         [](const auto& info) { return info.param.name; });

// Runs `body` in a child process and returns its exit status.
template <typename Body>
pid_t Spawn(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Another process holding the settings lock for `hold`; returns once it does.
pid_t HoldLock(const std::string& lockFile, std::chrono::milliseconds hold) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t holder = Spawn([&] {
        const int fd = open(lockFile.c_str(), O_RDWR);
        flock(fd, LOCK_EX);
        (void)!write(ready[1], "x", 1);
        std::this_thread::sleep_for(hold);
    });
    char c;
    const bool locked = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    close(ready[1]);
    return locked ? holder : -1;
}

class FileStore : public ::testing::Test {
protected:
    std::string File() const { return mDir.Path() + "/tickwell/registry.reg"; }
    TempDir mDir;
};

TEST_F(FileStore, DefaultPathFollowsXdgThenHome) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/x/config", "/home/u", "/x/config/tickwell/registry.reg"},
        {nullptr, "/home/u", "/home/u/.config/tickwell/registry.reg"},
        {"relative", "/home/u", "/home/u/.config/tickwell/registry.reg"},
        {"", nullptr, ""},
    };
    const std::string oldXdg = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    for (const Case& c : cases) {
        c.xdg ? setenv("XDG_CONFIG_HOME", c.xdg, 1) : unsetenv("XDG_CONFIG_HOME");
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        EXPECT_EQ(FileRegistry::DefaultPath(), c.expected);
    }
    setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
    if (oldXdg.empty()) unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", oldHome.c_str(), 1);
}

TEST_F(FileStore, ReadsNeverWrite) {
    FileRegistry registry(File());
    CRegSettings settings(registry);
    EXPECT_EQ(settings.GetSetting("Position", "frmCalc Left", "d"), "d");
    EXPECT_FALSE(Exists(mDir.Path() + "/tickwell"));

    ASSERT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "", 3850));
    const std::string before = ReadFile(File());
    EXPECT_EQ(settings.GetSetting("Position", "frmCalc Left", "d"), "3850");
    EXPECT_EQ(settings.GetSetting("Position", "missing", "d"), "d");
    EXPECT_EQ(ReadFile(File()), before);
}

TEST_F(FileStore, LongLivedReadersSeeOtherWriters) {
    FileRegistry reader(File());
    CRegSettings readerSettings(reader);
    FileRegistry writer(File());
    CRegSettings writerSettings(writer);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(writerSettings.SaveSetting("Position", "frmCalc Left", "", 1000 + i));
        EXPECT_EQ(readerSettings.GetSetting("Position", "frmCalc Left", ""),
                  std::to_string(1000 + i));
        // The reader's own writes start from the file as it is now, not as it read it.
        ASSERT_TRUE(readerSettings.SaveSetting("Position", "reader " + std::to_string(i), "", i));
        EXPECT_EQ(writerSettings.GetSetting("Position", "reader " + std::to_string(i), ""),
                  std::to_string(i));
    }
    EXPECT_EQ(readerSettings.GetSetting("Position", "frmCalc Left", ""), "1019");
}

TEST_F(FileStore, WritesExactBytesThatANewInstanceReads) {
    // Fault caught: a descriptor the store did not open (standard input)
    // closed by a save.
    const int input = dup(0);
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    {
        FileRegistry registry(File());
        CRegSettings settings(registry);
        ASSERT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "", 3850));
        ASSERT_TRUE(settings.SaveSetting("Position", "name", "12", 5));
    }
    EXPECT_NE(fcntl(0, F_GETFD), -1) << "standard input closed";
    dup2(input, 0);
    close(input);
    close(devNull);
    const std::string text = ReadFile(File());
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Brenholt\\Tickwell\\Position]"),
              std::string::npos);
    EXPECT_NE(text.find("\"frmCalc Left\"=dword:00000f0a"), std::string::npos);
    EXPECT_NE(text.find("\"name\"=hex(1):31,32"), std::string::npos);  // two bytes, no NUL

    FileRegistry again(File());
    RegHandle key = 0;
    ASSERT_EQ(again.OpenKeyEx(RootHandle(0x80000001u), "Software\\Brenholt\\Tickwell\\Position", 0,
                              kKeyAllAccess, &key),
              0);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(again.QueryValueEx(key, "name", &type, nullptr, &size), 0);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 2u);
    again.CloseKey(key);
}

TEST_F(FileStore, UnreadableFilesAreKeptAsideOnTheFirstWrite) {
    std::mt19937 rng(5);
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>(rng());
    std::string big = "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n";
    big += std::string(10 << 20, 'x');
    const std::pair<const char*, std::string> cases[] = {
        {"truncated",
         "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Brenholt\\Tickwell\\Position]"
         "\r\n\"frmCalc Le"},
        {"garbage", garbage},
        {"junk", "<html>not settings</html>\n"},
        {"10 MB", big},
    };
    for (const auto& [name, contents] : cases) {
        TempDir dir;
        const std::string file = dir.Path() + "/registry.reg";
        WriteFile(file, contents);
        FileRegistry registry(file);
        CRegSettings settings(registry);
        EXPECT_EQ(settings.GetSetting("Position", "frmCalc Left", "dflt"), "dflt") << name;
        EXPECT_EQ(ReadFile(file), contents) << name;

        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "", 42)) << name;
        EXPECT_TRUE(settings.SaveSetting("Position", "frmCalc Top", "", 43)) << name;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("could not be read"), std::string::npos) << name;
        EXPECT_EQ(said.find("could not be read"), said.rfind("could not be read")) << name;

        EXPECT_EQ(settings.GetSetting("Position", "frmCalc Left", ""), "42") << name;
        const std::string listing = dir.Path() + "/list";
        std::system(("ls " + dir.Path() + " > " + listing).c_str());
        const std::string files = ReadFile(listing);
        const auto bad = files.find("registry.reg.bad-");
        ASSERT_NE(bad, std::string::npos) << name;
        const std::string aside = files.substr(bad, files.find('\n', bad) - bad);
        EXPECT_EQ(ReadFile(dir.Path() + "/" + aside), contents) << name;
    }
}

TEST_F(FileStore, FailedWritesReturnFalseAndKeepTheOldFile) {
    {  // the settings file is a directory
        TempDir dir;
        const std::string file = dir.Path() + "/registry.reg";
        mkdir(file.c_str(), 0700);
        FileRegistry registry(file);
        CRegSettings settings(registry);
        EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 1));
        EXPECT_EQ(settings.GetSetting("Position", "v", "d"), "d");
    }
    {  // its folder cannot be made: a file stands where it should be
        TempDir dir;
        WriteFile(dir.Path() + "/tickwell", "not a folder");
        FileRegistry registry(dir.Path() + "/tickwell/registry.reg");
        CRegSettings settings(registry);
        EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 1));
        EXPECT_EQ(ReadFile(dir.Path() + "/tickwell"), "not a folder");
    }
    {  // a key path the reader would refuse is never written (then every save moved the file aside)
        FileRegistry registry(File());
        CRegSettings settings(registry);
        ASSERT_TRUE(settings.SaveSetting("Position", "kept", "", 1));
        EXPECT_FALSE(settings.SaveSetting("Extra\\\\", "v", "", 1));
        regfile::Hive hive;
        EXPECT_TRUE(regfile::Parse(ReadFile(File()), hive));
    }
    {  // Faults caught: a name with a line break written (the next read then
       // refused the whole file); a size with no data read from nowhere.
        FileRegistry registry(File());
        CRegSettings settings(registry);
        ASSERT_TRUE(settings.SaveSetting("Position", "kept", "", 1));
        EXPECT_FALSE(settings.SaveSetting("Position", "a\nb", "", 1));
        EXPECT_FALSE(settings.SaveSetting("Position", "a\rb", "", 1));
        RegHandle key = 0;
        ASSERT_EQ(registry.CreateKeyEx(kHKeyCurrentUser, "Software\\Brenholt\\Tickwell\\Position", 0,
                                       kKeyAllAccess, &key),
                  kErrorSuccess);
        EXPECT_EQ(registry.SetValueEx(key, "v", kRegSz, nullptr, 1), kErrorInvalidParameter);
        registry.CloseKey(key);
        regfile::Hive hive;
        EXPECT_TRUE(regfile::Parse(ReadFile(File()), hive));
        EXPECT_EQ(settings.GetSetting("Position", "kept", "d"), "1");
    }
    {  // Fault caught: a path through ".." refused though it leads back up
       // the way it came.
        FileRegistry registry(mDir.Path() + "/other/../tickwell/registry.reg");
        EXPECT_TRUE(CRegSettings(registry).SaveSetting("Position", "up", "", 1));
    }
    {  // Faults caught: a relative path walked from wherever the program
       // started; a link to no file replaced by the file it names.
        FileRegistry relative("tickwell/registry.reg");
        EXPECT_FALSE(CRegSettings(relative).SaveSetting("Position", "v", "", 1));
        mkdir((mDir.Path() + "/linked").c_str(), 0700);
        ASSERT_EQ(symlink("missing.reg", (mDir.Path() + "/linked/registry.reg").c_str()), 0);
        FileRegistry linked(mDir.Path() + "/linked/registry.reg");
        EXPECT_FALSE(CRegSettings(linked).SaveSetting("Position", "v", "", 1));
        EXPECT_NE(access((mDir.Path() + "/linked/missing.reg").c_str(), F_OK), 0);
    }
    {  // no place for settings at all (neither XDG_CONFIG_HOME nor HOME)
        FileRegistry registry("");
        CRegSettings settings(registry);
        EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 1));
        EXPECT_EQ(settings.GetSetting("Position", "v", "d"), "d");
    }
    {  // disk full: the file size limit makes the write fail part-way
        FileRegistry registry(File());
        CRegSettings settings(registry);
        ASSERT_TRUE(settings.SaveSetting("Position", "kept", "", 1));
        const std::string before = ReadFile(File());
        const pid_t child = Spawn([&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16, 16};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(settings.SaveSetting("Position", "big", std::string(4096, 'x'), 0) ? 1 : 0);
        });
        const int status = Wait(child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write claimed success";
        EXPECT_EQ(ReadFile(File()), before);
        // Fault caught: an unreadable file kept aside before the new one was
        // written, so a full disk left no settings file at all.
        WriteFile(File(), "not settings");
        const pid_t again = Spawn([&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4, 4};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(settings.SaveSetting("Position", "v", "", 7) ? 1 : 0);
        });
        EXPECT_EQ(Wait(again), 0);
        EXPECT_EQ(ReadFile(File()), "not settings");
    }
    if (geteuid() != 0) {  // permissions do not bind root
        TempDir dir;
        FileRegistry registry(dir.Path() + "/ro/registry.reg");
        CRegSettings settings(registry);
        ASSERT_TRUE(settings.SaveSetting("Position", "v", "", 1));
        const std::string before = ReadFile(dir.Path() + "/ro/registry.reg");
        chmod((dir.Path() + "/ro").c_str(), 0500);
        EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 2));
        chmod((dir.Path() + "/ro").c_str(), 0700);
        EXPECT_EQ(ReadFile(dir.Path() + "/ro/registry.reg"), before);
    }
}

TEST_F(FileStore, WaitsForAnotherProcessesLockButNotForever) {
    FileRegistry registry(File(), 100ms);
    CRegSettings settings(registry);
    ASSERT_TRUE(settings.SaveSetting("Position", "v", "", 1));
    const std::string before = ReadFile(File());

    const pid_t holder = HoldLock(File() + ".lock", 700ms);
    ASSERT_GT(holder, 0);
    EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 2));
    EXPECT_EQ(ReadFile(File()), before);

    FileRegistry patient(File(), 10s);
    CRegSettings patientSettings(patient);
    EXPECT_TRUE(patientSettings.SaveSetting("Position", "v", "", 3));  // after the holder ends
    EXPECT_EQ(settings.GetSetting("Position", "v", ""), "3");
    Wait(holder);
}

TEST_F(FileStore, KilledWritersLeaveTheOldOrTheNewFile) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> delay(0, 4000);
    int lastSeen = -1;
    for (int round = 0; round < 25; ++round) {
        const pid_t writer = Spawn([&] {
            FileRegistry registry(File());
            CRegSettings settings(registry);
            FakeScreen screen;
            MWindow placement(settings, screen);
            FakeWindow window;
            for (int i = 0;; ++i) {
                window.left = window.top = round * 1000000 + i;  // as closing saves a window
                placement.SaveRestoreWindow(window, true);
                settings.SaveSetting("Position", "filler " + std::to_string(i % 50), "padding", 0);
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + delay(rng)));
        kill(writer, SIGKILL);
        Wait(writer);
        if (!Exists(File())) continue;
        regfile::Hive hive;
        ASSERT_TRUE(regfile::Parse(ReadFile(File()), hive)) << "torn file in round " << round;
        FileRegistry reader(File());
        CRegSettings settings(reader);
        const int counter =
            std::atoi(settings.GetSetting("Position", "frmCalc Left", "-1").c_str());
        // Fault caught: a window's two edges written one by one, torn by the kill.
        EXPECT_EQ(settings.GetSetting("Position", "frmCalc Top", "-1"), std::to_string(counter));
        EXPECT_GE(counter, lastSeen);
        lastSeen = counter;
    }
    // The next write after the crashes still works and tidies up.
    FileRegistry registry(File());
    CRegSettings settings(registry);
    EXPECT_TRUE(settings.SaveSetting("Position", "after", "", 1));
    EXPECT_EQ(std::system(("ls " + mDir.Path() + "/tickwell | grep -q tmp-").c_str()) == 0, false);
}

TEST_F(FileStore, TwoProcessesSavingAtOnceLoseNothing) {
    constexpr int kEach = 500;
    pid_t writers[2];
    for (int p = 0; p < 2; ++p) {
        writers[p] = Spawn([&, p] {
            FileRegistry registry(File(), 30s);
            CRegSettings settings(registry);
            for (int i = 0; i < kEach; ++i)
                if (!settings.SaveSetting("Both", "p" + std::to_string(p) + " " + std::to_string(i),
                                          "", i))
                    _exit(1);
        });
    }
    for (pid_t w : writers) {
        const int status = Wait(w);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FileRegistry registry(File());
    CRegSettings settings(registry);
    int found = 0;
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < kEach; ++i)
            found += settings.GetSetting("Both", "p" + std::to_string(p) + " " + std::to_string(i),
                                         "") == std::to_string(i);
    EXPECT_EQ(found, 2 * kEach);
}

// Faults caught: writes following links planted in the folder, saving into a
// folder others control, replacing a linked settings file with a plain one,
// hanging on a FIFO, overwriting a read-only file, writing a file too large
// to be read back.
struct HostileCase {
    const char* name;
    std::function<void(const std::string& dir)> plant;
    bool saves;
    std::function<void(const std::string& dir)> check;
};

void PlayHostile(const HostileCase& c, const std::string& file) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.Path() + file;
    FileRegistry registry(path, 200ms);
    CRegSettings settings(registry);
    ASSERT_TRUE(settings.SaveSetting("Position", "v", "", 1)) << c.name;
    c.plant(dir.Path());
    const std::string before = c.saves ? "" : ReadFile(path);
    alarm(20);  // a blocking open would hang here
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(settings.GetSetting("Position", "x", "dflt"), "dflt") << c.name;
    EXPECT_EQ(settings.SaveSetting("Position", "v", "", 42), c.saves) << c.name;
    ::testing::internal::GetCapturedStderr();
    alarm(0);
    if (c.saves) {
        EXPECT_EQ(settings.GetSetting("Position", "v", ""), "42") << c.name;
    } else {
        EXPECT_EQ(ReadFile(path), before) << c.name;
    }
    if (c.check) c.check(dir.Path());
}

// Runs `body` as the unprivileged user 65534 in a child, with its standard
// error in `said`; returns the child's exit code.
int AsAnotherUser(const std::function<bool()>& body, std::string& said) {
    TempDir out;
    const std::string log = out.Path() + "/stderr";
    chmod(out.Path().c_str(), 0777);
    const pid_t child = Spawn([&] {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(fd, 2);
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        _exit(body() ? 0 : 1);
    });
    const int status = Wait(child);
    said = ReadFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Rows that hand files and folders to another user, which only root can.
TEST_F(FileStore, HostileFilesAndFoldersOfOtherUsers) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can hand files to another user";
    const std::string file = "/tickwell/registry.reg";
    const HostileCase cases[] = {
        {"folder writable by a group not the user's own",
         [](const std::string& d) {
             ASSERT_EQ(chown((d + "/tickwell").c_str(), geteuid(), 65534), 0);
             chmod((d + "/tickwell").c_str(), 0770);
         },
         false, nullptr},
        {"lock file of another user",
         [&](const std::string& d) {
             ASSERT_EQ(chown((d + file + ".lock").c_str(), 65534, 65534), 0);
         },
         false, nullptr},
    };
    for (const HostileCase& c : cases) PlayHostile(c, file);

    {  // a refusal is said once, not at every save
        TempDir dir;
        FileRegistry registry(dir.Path() + file);
        CRegSettings settings(registry);
        ASSERT_TRUE(settings.SaveSetting("Position", "v", "", 1));
        ASSERT_EQ(chown((dir.Path() + "/tickwell").c_str(), 65534, 65534), 0);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 2));
        EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 3));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("belongs to another user"), std::string::npos);
        EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line, not one per save";
    }

    // Fault caught: folders opened for reading, so a root-owned 0711 folder
    // above the homes of a shared host made every save fail.
    TempDir shared;
    chmod(shared.Path().c_str(), 0711);
    const std::string home = shared.Path() + "/home";
    ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
    ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);
    std::string said;
    EXPECT_EQ(AsAnotherUser(
                  [&] {
                      setenv("HOME", home.c_str(), 1);
                      FileRegistry registry(home + "/.config" + file);
                      CRegSettings settings(registry);
                      return settings.SaveSetting("Position", "v", "", 5) &&
                             settings.GetSetting("Position", "v", "") == "5";
                  },
                  said),
              0)
        << said;

    // Fault caught: a folder that cannot be opened failing without a word.
    const std::string closed = shared.Path() + "/closed";
    ASSERT_EQ(mkdir(closed.c_str(), 0700), 0);
    EXPECT_EQ(AsAnotherUser(
                  [&] {
                      FileRegistry registry(closed + file);
                      CRegSettings settings(registry);
                      (void)settings.GetSetting("Position", "v", "");
                      return !settings.SaveSetting("Position", "v", "", 5);
                  },
                  said),
              0);
    EXPECT_NE(said.find(closed + "/tickwell cannot be opened"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;

    // Faults caught: a folder that could not be made taken as made, and a
    // folder where no new file may be made said as a failed write. The
    // user's own folders, read-only to them.
    const std::string locked = shared.Path() + "/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((locked + "/tickwell").c_str(), 0700), 0);
    WriteFile(locked + file, "REGEDIT4\r\n");
    WriteFile(locked + file + ".lock", "");
    for (const std::string& path : {locked, locked + "/tickwell", locked + file, locked + file + ".lock"})
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    chmod((locked + "/tickwell").c_str(), 0500);
    chmod(locked.c_str(), 0500);
    for (const auto& [where, words] :
         {std::pair{locked + "/new" + file, std::string("cannot be made")},
          std::pair{locked + file, "no new file can be made in " + locked + "/tickwell"}}) {
        EXPECT_EQ(AsAnotherUser(
                      [&] {
                          FileRegistry registry(where);
                          return !CRegSettings(registry).SaveSetting("Position", "v", "", 5);
                      },
                      said),
                  0);
        EXPECT_NE(said.find(words), std::string::npos) << said;
    }
    EXPECT_EQ(ReadFile(locked + file), "REGEDIT4\r\n");
}

// Fault caught: a folder's group bits taken at their word when they are an
// access list's mask, which may give another user write.
TEST_F(FileStore, AccessListsAreNotPrivate) {
    FileRegistry registry(File());
    CRegSettings settings(registry);
    ASSERT_TRUE(settings.SaveSetting("Position", "v", "", 1));
    const std::string folder = mDir.Path() + "/tickwell";
    ASSERT_EQ(chown(folder.c_str(), geteuid(), getegid()), 0);
    chmod(folder.c_str(), 0770);
    if (!settings.SaveSetting("Position", "v", "", 2))
        GTEST_SKIP() << "the user's primary group is not private here";
    // user::rwx, user:65534:rwx, group::rwx, mask::rwx, other::---
    const std::uint32_t acl[] = {2,           0x00070001, 0xFFFFFFFFu, 0x00070002,
                                 65534,       0x00070004, 0xFFFFFFFFu, 0x00070010,
                                 0xFFFFFFFFu, 0x00000020, 0xFFFFFFFFu};
    if (setxattr(folder.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) != 0)
        GTEST_SKIP() << "no access lists on this file system";
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(settings.SaveSetting("Position", "v", "", 3));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("access list"), std::string::npos);
}

TEST_F(FileStore, HostileFilesAndFolders) {
    const std::string file = "/tickwell/registry.reg";
    auto noBadFile = [](const std::string& d) {
        EXPECT_NE(std::system(("ls " + d + "/tickwell | grep -q bad-").c_str()), 0);
    };
    const HostileCase cases[] = {
        // Fault caught: only the link's target folder checked, so another
        // user's folder could point the save at the victim's files.
        {"link planted in a folder others may write",
         [&](const std::string& d) {
             WriteFile(d + "/victim", "notes");
             unlink((d + file).c_str());
             symlink((d + "/victim").c_str(), (d + file).c_str());
             chmod((d + "/tickwell").c_str(), 0777);
         },
         false, [](const std::string& d) { EXPECT_EQ(ReadFile(d + "/victim"), "notes"); }},
        {"an ancestor folder others may write",
         [](const std::string& d) { chmod(d.c_str(), 0777); }, false, nullptr},
        // Fault caught: a read-only file that does not parse was moved aside and replaced.
        {"read-only file that does not parse",
         [&](const std::string& d) {
             WriteFile(d + file, "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:-1\n");
             chmod((d + file).c_str(), 0444);
         },
         false, noBadFile},
        // Faults caught: an empty file moved aside as corrupt; a rewrite narrowing 0644 to 0600.
        {"empty file", [&](const std::string& d) { WriteFile(d + file, ""); }, true, noBadFile},
        {"file the user made 0644", [&](const std::string& d) { chmod((d + file).c_str(), 0644); },
         true,
         [&](const std::string& d) {
             struct stat st {};
             ASSERT_EQ(stat((d + file).c_str(), &st), 0);
             EXPECT_EQ(st.st_mode & 0777, 0644u);
         }},
        // Fault caught: a stale temporary name followed into its target
        // when stale temporaries are cleared.
        {"stale temporary name linked to a victim",
         [&](const std::string& d) {
             WriteFile(d + "/victim", "notes");
             symlink((d + "/victim").c_str(), (d + file + ".tmp-planted").c_str());
         },
         true,
         [&](const std::string& d) {
             EXPECT_EQ(ReadFile(d + "/victim"), "notes");
             EXPECT_FALSE(Exists(d + file + ".tmp-planted"));
         }},
        {"lock file linked elsewhere",
         [&](const std::string& d) {
             unlink((d + file + ".lock").c_str());
             symlink((d + "/made-by-lock").c_str(), (d + file + ".lock").c_str());
         },
         false, [](const std::string& d) { EXPECT_FALSE(Exists(d + "/made-by-lock")); }},
        {"folder others may write",
         [](const std::string& d) { chmod((d + "/tickwell").c_str(), 01777); }, false, nullptr},
        {"settings file is a link",
         [&](const std::string& d) {
             mkdir((d + "/dotfiles").c_str(), 0700);
             WriteFile(d + "/dotfiles/real.reg", "REGEDIT4\r\n");
             unlink((d + file).c_str());
             symlink((d + "/dotfiles/real.reg").c_str(), (d + file).c_str());
         },
         true,
         [&](const std::string& d) {
             struct stat st {};
             ASSERT_EQ(lstat((d + file).c_str(), &st), 0);
             EXPECT_TRUE(S_ISLNK(st.st_mode));
             EXPECT_NE(ReadFile(d + "/dotfiles/real.reg").find("dword:0000002a"),
                       std::string::npos);
         }},
        {"FIFO instead of a file",
         [&](const std::string& d) {
             unlink((d + file).c_str());
             mkfifo((d + file).c_str(), 0600);
         },
         true, nullptr},
        {"file made read-only", [&](const std::string& d) { chmod((d + file).c_str(), 0400); },
         false, nullptr},
    };
    for (const HostileCase& c : cases) PlayHostile(c, file);

    // One limit for writing and reading: a save that would make the file
    // unreadable fails and keeps the old one.
    FileRegistry registry(File());
    CRegSettings settings(registry);
    ASSERT_TRUE(settings.SaveSetting("Position", "v", "", 1));
    const std::string before = ReadFile(File());
    EXPECT_FALSE(
        settings.SaveSetting("Position", "big", std::string(regfile::kMaxFileBytes, 'x'), 0));
    EXPECT_EQ(ReadFile(File()), before);
}

// The kept tape under the settings file's rules: what stands in its place
// (its bytes, planted as a file, a FIFO, a link or another user's file), and
// what Load and Save then do. Faults caught: another user's link followed
// where others may make files; a FIFO that hangs the start; a file of another
// program read as lines (not UTF-8, a NUL, more lines or bytes than a tape
// holds); a dotfile manager's link replaced by a plain file.
TEST_F(FileStore, KeptTapeFile) {
    using L = ITapeStore::Loaded;
    const bool root = geteuid() == 0;
    const struct {
        const char* name;
        std::string bytes;
        std::string plant;
        L loads;
        bool saves;
    } rows[] = {
        {"not UTF-8", "+ 1\xff\n", "file", L::Refused, true},
        {"a NUL", std::string("a\0b", 3), "file", L::Refused, true},
        {"too many lines", std::string(FileTapeStore::kMaxLines + 1, '\n'), "file", L::Refused, true},
        {"over 1 MiB", std::string((1 << 20) + 1, 'x'), "file", L::Refused, true},
        {"FIFO", "", "fifo", L::Refused, false},
        {"link planted in a folder others may write", "notes", "link 0777", L::Refused, false},
        {"the user's own link", "+ 0:01:00\n", "link", L::Ok, true},
        {"another user's file where others may make files", "+ 0:01:00\n", "foreign",
         root ? L::Refused : L::Ok, !root},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string folder = dir.Path() + "/tickwell", tape = folder + "/tape.txt",
                          target = dir.Path() + "/target";
        mkdir(folder.c_str(), 0700);
        if (row.plant == "fifo") {
            mkfifo(tape.c_str(), 0600);
        } else if (row.plant.rfind("link", 0) == 0) {
            WriteFile(target, row.bytes);
            symlink(target.c_str(), tape.c_str());
        } else {
            WriteFile(tape, row.bytes);
        }
        if (row.plant == "link 0777") chmod(folder.c_str(), 0777);
        if (row.plant == "foreign") {
            if (root) (void)!chown(tape.c_str(), 65534, 65534);
            chmod(folder.c_str(), 01777);
        }
        FileTapeStore store(tape);
        std::vector<std::string> lines;
        std::string day, problem;
        alarm(20);  // a blocking open would hang here
        EXPECT_EQ(store.Load(lines, day, problem), row.loads);
        EXPECT_EQ(store.Save("= 0:00:05 (0.0014 h)\n", problem) == kErrorSuccess, row.saves);
        alarm(0);
        EXPECT_TRUE(row.plant != "link 0777" || ReadFile(target) == "notes");
    }
    // Fault caught: a full disk leaving a truncated tape, or none.
    FileTapeStore store(mDir.Path() + "/tickwell/tape.txt");
    std::string problem;
    ASSERT_EQ(store.Save("+ 0:01:00\n", problem), kErrorSuccess);
    const pid_t child = Spawn([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4, 4};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(store.Save("+ 0:01:00\n+ 0:02:00\n", problem) == kErrorSuccess ? 1 : 0);
    });
    EXPECT_EQ(Wait(child), 0) << "the write claimed success";
    EXPECT_EQ(ReadFile(mDir.Path() + "/tickwell/tape.txt"), "+ 0:01:00\n");
    EXPECT_EQ(store.Remove(problem), kErrorSuccess);
    EXPECT_FALSE(Exists(mDir.Path() + "/tickwell/tape.txt"));
}

// Fault caught: every value of a save waiting out the lock on its own, which
// froze closing for seconds.
TEST_F(FileStore, OneLockWaitPerSave) {
    FileRegistry registry(File(), 1s);
    CRegSettings settings(registry);
    ASSERT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "", 1));
    const pid_t holder = HoldLock(File() + ".lock", 4s);
    ASSERT_GT(holder, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(settings.SaveSetting("Position", "frmCalc Left", "", 2));
    EXPECT_FALSE(settings.SaveSetting("Position", "frmCalc Top", "", 3));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1900ms);
    kill(holder, SIGKILL);
    Wait(holder);
}

// The account database as a directory service may answer. Me is uid 1000
// in group 1000; each row adds other accounts, a listed member, entries
// too large for the first buffer, or a failure part-way.
class FakeAccounts : public settingsfile::AccountDatabase {
public:
    struct Account {
        uid_t uid;
        gid_t gid;
        std::size_t size;  // the buffer it needs
    };
    std::vector<Account> accounts{{1000, 1000, 64}};
    std::vector<std::string> members;
    int failAt = -1;  // the entry whose reading fails with EIO
    int rewinds = 0;

    int User(uid_t uid, passwd& e, std::vector<char>&, passwd*& found) override {
        found = uid == 1000 ? Fill(e, accounts[0]) : nullptr;
        return 0;
    }
    int Group(gid_t gid, group& e, std::vector<char>&, group*& found) override {
        mMembers.clear();
        for (auto& m : members) mMembers.push_back(m.data());
        mMembers.push_back(nullptr);
        e.gr_name = const_cast<char*>("me");
        e.gr_mem = mMembers.data();
        found = gid == 1000 ? &e : nullptr;
        return 0;
    }
    void Rewind() override { ++rewinds, mNext = 0; }
    int NextUser(passwd& e, std::vector<char>& buffer, passwd*& found) override {
        found = nullptr;
        if (mNext == failAt) return EIO;
        if (mNext == static_cast<int>(accounts.size())) return 0;
        if (buffer.size() < accounts[static_cast<std::size_t>(mNext)].size) return ERANGE;
        found = Fill(e, accounts[static_cast<std::size_t>(mNext++)]);
        return 0;
    }
    void Close() override {}

private:
    static passwd* Fill(passwd& e, const Account& a) {
        e.pw_name = const_cast<char*>("me");
        e.pw_uid = a.uid;
        e.pw_gid = a.gid;
        return &e;
    }
    int mNext = 0;
    std::vector<char*> mMembers;
};

// Faults caught: a scan cut short by an entry larger than the buffer
// (ERANGE) or by a failure, counted as private (it failed open); the
// database walked at every save.
TEST(GroupCheck, FailsClosedAndAsksOnce) {
    struct Row {
        const char* what;
        std::function<void(FakeAccounts&)> set;
        bool isPrivate;
    };
    const Row rows[] = {
        {"my own group", [](FakeAccounts&) {}, true},
        {"another user's primary group too",
         [](FakeAccounts& a) {
             a.accounts.push_back({1001, 1000, 64});
         },
         false},
        {"another user listed",
         [](FakeAccounts& a) {
             a.members = {"me", "eve"};
         },
         false},
        {"another user behind an entry of 40 KB (ERANGE)",
         [](FakeAccounts& a) {
             a.accounts.push_back({1002, 50, 40000}), a.accounts.push_back({1001, 1000, 64});
         },
         false},
        {"my own group behind an entry of 40 KB",
         [](FakeAccounts& a) {
             a.accounts.push_back({1002, 50, 40000});
         },
         true},
        {"an entry larger than any buffer",
         [](FakeAccounts& a) {
             a.accounts.push_back({1002, 50, 1 << 30});
         },
         false},
        {"the service failing part-way",
         [](FakeAccounts& a) {
             a.accounts.push_back({1002, 50, 64}), a.failAt = 1;
         },
         false},
    };
    for (const Row& r : rows) {
        FakeAccounts accounts;
        r.set(accounts);
        settingsfile::GroupCheck check(accounts);
        EXPECT_EQ(check.Private(1000, 1000), r.isPrivate) << r.what;
        EXPECT_EQ(check.Private(1000, 1000), r.isPrivate) << r.what;
        EXPECT_LE(accounts.rewinds, 1) << r.what << ": the database walked twice";
    }
}

}  // namespace
}  // namespace tickwell
