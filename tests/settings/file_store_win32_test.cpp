// The portable .reg store's Windows half on the real file API (under Wine):
// what scanners, sync clients and coarse clocks do to the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "file_registry.h"
#include "reg_settings.h"

namespace tickwell {

std::string PortableFile();  // win32_registry_test.cpp

namespace {

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Each row names the fault it catches.
TEST(PortableStore, ReparseTagsThatOnlyKeepDataAreFiles) {
    struct Row {
        unsigned long tag;
        bool link;
        const char* fault;
    };
    const Row rows[] = {
        {0x9000601AUL, false, "a OneDrive-style cloud file kept aside as corrupt at each save"},
        {0x9000001AUL, false, "the plain cloud tag"},
        {0x80000013UL, false, "a deduplicated file kept aside"},
        {0x80000017UL, false, "a compressed (WOF) file kept aside"},
        {0xA000000CUL, true, "a symbolic link written over instead of through"},
        {0xA0000003UL, true, "a junction or mount point followed without the owner check"},
        {0xA000001DUL, true, "a WSL link treated as data"},
    };
    for (const Row& r : rows) EXPECT_EQ(settingsfile::IsLinkReparseTag(r.tag), r.link) << r.fault;
}

TEST(PortableStore, RenameRefusedForAMomentIsTriedAgain) {
    const std::string file = PortableFile();
    FileRegistry registry(file);
    CRegSettings settings(registry);
    ASSERT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "", 1));
    // As a virus scanner does: the file held open, deleting (so renaming
    // over it) not shared, for a moment.
    HANDLE scanner = CreateFileW(W(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    std::thread release([scanner] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        CloseHandle(scanner);
    });
    // Fault: the save lost at the first refusal.
    EXPECT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "", 2));
    release.join();
    FileRegistry fresh(file);
    EXPECT_EQ(CRegSettings(fresh).GetSetting("Position", "frmCalc Left", ""), "2");
}

TEST(PortableStore, AnEditInPlaceWithinTheClockStepIsSeen) {
    const std::string file = PortableFile();
    FileRegistry reader(file);
    CRegSettings settings(reader);
    ASSERT_TRUE(settings.SaveSetting("Position", "frmCalc Left", "1111", 0));
    ASSERT_EQ(settings.GetSetting("Position", "frmCalc Left", ""), "1111");

    // Another copy's editor rewrites the same bytes' length in place, and a
    // FAT volume's clock shows the same write time.
    HANDLE h = CreateFileW(W(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME created{}, accessed{}, written{};
    GetFileTime(h, &created, &accessed, &written);
    std::string text(GetFileSize(h, nullptr), '\0');
    DWORD done = 0;
    ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    const auto at = text.find("31,31,31,31");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 11, "32,32,32,32");
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    SetFileTime(h, &created, &accessed, &written);
    CloseHandle(h);

    // Fault: the stale copy kept because identity, size and times matched.
    EXPECT_EQ(settings.GetSetting("Position", "frmCalc Left", ""), "2222");
}

TEST(PortableStore, ALockFileThatIsNotAPlainFileOfItsOwnIsRefused) {
    const std::string file = PortableFile();
    const std::string other = file.substr(0, file.find_last_of('\\')) + "\\notes.txt";
    HANDLE h = CreateFileW(W(other).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    // Fault: a byte lock taken on some other file through a hard link, which
    // that file's program then cannot lock.
    ASSERT_TRUE(CreateHardLinkW(W(file + ".lock").c_str(), W(other).c_str(), nullptr));
    FileRegistry registry(file);
    EXPECT_FALSE(CRegSettings(registry).SaveSetting("Position", "frmCalc Left", "", 1));
    EXPECT_EQ(GetFileAttributesW(W(file).c_str()), INVALID_FILE_ATTRIBUTES);

    // The lock file a save makes is its own, and the next save uses it.
    const std::string plain = PortableFile();
    FileRegistry fine(plain);
    EXPECT_TRUE(CRegSettings(fine).SaveSetting("Position", "frmCalc Left", "", 1));
    EXPECT_TRUE(CRegSettings(fine).SaveSetting("Position", "frmCalc Left", "", 2));
}

}  // namespace
}  // namespace tickwell
