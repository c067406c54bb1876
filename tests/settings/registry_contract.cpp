#include "registry_contract.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "reg_settings.h"
#include "settings_file.h"

namespace tickwell {
namespace {

using Bytes = std::string;

// Each test works below a company key of its own, so tests sharing one real
// registry never see each other's values.
struct Fixture {
    explicit Fixture(const RegistryMaker& maker) : registry(maker.make()), settings(*registry) {
        static std::atomic<int> counter{0};
        company = "TickwellTest" + std::to_string(counter++) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : company)
            if (c == '/') c = '_';
        settings.Company(company);
        settings.AppName("App");
    }
    std::string SectionPath(const std::string& section) const {
        return settings.GetKeyPath(section);
    }
    // Writes a value as another tool would: any type, any bytes.
    void RawSet(const std::string& section, const char* name, std::uint32_t type,
                const Bytes& data) {
        RegHandle key = 0;
        ASSERT_EQ(registry->CreateKeyEx(RootHandle(0x80000001u), SectionPath(section), 0,
                                        kKeyAllAccess, &key),
                  0);
        ASSERT_EQ(registry->SetValueEx(key, name, type,
                                       reinterpret_cast<const unsigned char*>(data.data()),
                                       static_cast<std::uint32_t>(data.size())),
                  0);
        registry->CloseKey(key);
    }
    // The type and bytes stored under a value, or type 0 when it is missing.
    std::pair<std::uint32_t, Bytes> RawGet(const std::string& section, const char* name) {
        RegHandle key = 0;
        if (registry->OpenKeyEx(RootHandle(0x80000001u), SectionPath(section), 0, kKeyAllAccess,
                                &key) != 0)
            return {0, ""};
        std::uint32_t type = 0, size = 0;
        std::pair<std::uint32_t, Bytes> result{0, ""};
        if (registry->QueryValueEx(key, name, &type, nullptr, &size) == 0) {
            Bytes data(size, '\0');
            if (registry->QueryValueEx(key, name, &type, reinterpret_cast<unsigned char*>(&data[0]),
                                       &size) == 0)
                result = {type, data.substr(0, size)};
        }
        registry->CloseKey(key);
        return result;
    }
    bool KeyExists(const std::string& path) {
        RegHandle key = 0;
        if (registry->OpenKeyEx(RootHandle(0x80000001u), path, 0, kKeyAllAccess, &key) != 0)
            return false;
        registry->CloseKey(key);
        return true;
    }

    std::unique_ptr<IRegistry> registry;
    CRegSettings settings;
    std::string company;
};

TEST_P(RegistryContract, MissingKeysAndValuesGiveTheDefaultAndCreateNothing) {
    Fixture f(GetParam());
    EXPECT_EQ(f.settings.GetSetting("Position", "frmCalc Left", "dflt"), "dflt");
    EXPECT_FALSE(f.KeyExists("Software\\" + f.company));
    f.settings.SaveSetting("Position", "other", "x", 0);
    EXPECT_EQ(f.settings.GetSetting("Position", "frmCalc Left", "7342.5"), "7342.5");
    EXPECT_EQ(f.settings.GetSetting("Nowhere", "frmCalc Left", "d"), "d");
    EXPECT_FALSE(f.KeyExists(f.SectionPath("Nowhere")));
}

TEST_P(RegistryContract, TextValuesLoseOneTrailingNul) {
    struct Case {
        const char* name;
        Bytes stored;
        Bytes read;
    };
    const Case cases[] = {
        {"no nul", Bytes("abc"), Bytes("abc")},
        {"one nul", Bytes("abc\0", 4), Bytes("abc")},
        {"two nuls", Bytes("abc\0\0", 5), Bytes("abc\0", 4)},
        {"inner nul", Bytes("a\0bc\0", 5), Bytes("a\0bc", 4)},
        {"empty", Bytes(), Bytes("dflt")},
    };
    Fixture f(GetParam());
    for (const Case& c : cases) {
        f.RawSet("Text", c.name, kRegSz, c.stored);
        EXPECT_EQ(f.settings.GetSetting("Text", c.name, "dflt"), c.read) << c.name;
    }
}

// The last column is the value as an on/off option ("Keep Tape"). Fault
// caught there: a value other than the DWORD 1 (257, a short one) read as on.
TEST_P(RegistryContract, NumbersReadAsSignedDecimalText) {
    struct Case {
        const char* name;
        Bytes stored;
        const char* read;
        bool on = false;
    };
    const Case cases[] = {
        {"3850", Bytes("\x0A\x0F\x00\x00", 4), "3850"},
        {"266", Bytes("\x0A\x01\x00\x00", 4), "266"},
        {"min", Bytes("\x00\x00\x00\x80", 4), "-2147483648"},
        {"minus one", Bytes("\xFF\xFF\xFF\xFF", 4), "-1"},
        {"zero", Bytes("\x00\x00\x00\x00", 4), "0"},
        {"short", Bytes("\x0A\x0F", 2), "3850"},  // fault caught: a short DWORD ignored
        {"one", Bytes("\x01\x00\x00\x00", 4), "1", true},
        {"257", Bytes("\x01\x01\x00\x00", 4), "257"},
        {"short one", Bytes("\x01", 1), "1"},
    };
    Fixture f(GetParam());
    for (const Case& c : cases) {
        f.RawSet("Numbers", c.name, kRegDword, c.stored);
        EXPECT_EQ(f.settings.GetSetting("Numbers", c.name, "dflt"), c.read) << c.name;
        EXPECT_EQ(f.settings.GetFlag("Numbers", c.name), c.on) << c.name;
    }
    EXPECT_FALSE(f.settings.GetFlag("Numbers", "absent"));
}

TEST_P(RegistryContract, OtherTypesGiveTheDefault) {
    Fixture f(GetParam());
    f.RawSet("Other", "binary", kRegBinary, "abc");
    f.RawSet("Other", "expand", kRegExpandSz, Bytes("abc\0", 4));
    f.RawSet("Other", "multi", 7, Bytes("a\0b\0\0", 5));
    // Fault caught: an option stored as text or bytes read as on.
    f.RawSet("Other", "text one", kRegSz, "1");
    f.RawSet("Other", "binary one", kRegBinary, Bytes("\x01\x00\x00\x00", 4));
    for (const char* name : {"binary", "expand", "multi"})
        EXPECT_EQ(f.settings.GetSetting("Other", name, "dflt"), "dflt") << name;
    for (const char* name : {"text one", "binary one"})
        EXPECT_FALSE(f.settings.GetFlag("Other", name)) << name;
}

TEST_P(RegistryContract, SaveStoresTextOrNumber) {
    Fixture f(GetParam());
    EXPECT_TRUE(f.settings.SaveSetting("Position", "zero", "", 0));
    EXPECT_EQ(f.RawGet("Position", "zero"), std::make_pair(kRegDword, Bytes(4, '\0')));
    EXPECT_TRUE(f.settings.SaveSetting("Position", "negative", "", -1200));
    EXPECT_EQ(f.RawGet("Position", "negative"),
              std::make_pair(kRegDword, Bytes("\x50\xFB\xFF\xFF", 4)));
    EXPECT_EQ(f.settings.GetSetting("Position", "negative", ""), "-1200");

    EXPECT_TRUE(f.settings.SaveSetting("Position", "text", "12", 5));
    EXPECT_EQ(f.RawGet("Position", "text").first, kRegSz);
    EXPECT_EQ(f.settings.GetSetting("Position", "text", ""), "12");

    // A number replaces text stored earlier under the same name.
    EXPECT_TRUE(f.settings.SaveSetting("Position", "text", "", 3850));
    EXPECT_EQ(f.RawGet("Position", "text").first, kRegDword);
    EXPECT_EQ(f.settings.GetSetting("Position", "text", ""), "3850");
}

TEST_P(RegistryContract, SaveCreatesTheWholePath) {
    Fixture f(GetParam());
    EXPECT_FALSE(f.KeyExists("Software\\" + f.company));
    EXPECT_TRUE(f.settings.SaveSetting("Deep", "v", "", 1));
    EXPECT_TRUE(f.KeyExists("Software\\" + f.company));
    EXPECT_TRUE(f.KeyExists("Software\\" + f.company + "\\App"));
    EXPECT_TRUE(f.KeyExists(f.SectionPath("Deep")));
    EXPECT_TRUE(f.settings.SaveSetting("", "at app key", "yes", 0));
    EXPECT_EQ(f.settings.GetSetting("", "at app key", ""), "yes");
}

TEST_P(RegistryContract, StarIsTheUnnamedValue) {
    Fixture f(GetParam());
    EXPECT_TRUE(f.settings.SaveSetting("S", "*", "unnamed", 0));
    EXPECT_EQ(f.RawGet("S", nullptr).first, kRegSz);
    EXPECT_EQ(f.settings.GetSetting("S", "*", ""), "unnamed");
    EXPECT_EQ(f.settings.GetSetting("S", "", ""), "unnamed");  // the empty name too
    EXPECT_TRUE(f.settings.DeleteSetting("S", "*"));
    EXPECT_EQ(f.settings.GetSetting("S", "*", "gone"), "gone");
}

TEST_P(RegistryContract, ValueNamesIgnoreCase) {
    Fixture f(GetParam());
    EXPECT_TRUE(f.settings.SaveSetting("Position", "frmCalc Left", "", 3850));
    EXPECT_EQ(f.settings.GetSetting("position", "FRMCALC LEFT", ""), "3850");
    EXPECT_TRUE(f.settings.SaveSetting("POSITION", "FrmCalc left", "", 7));
    EXPECT_EQ(f.settings.GetSetting("Position", "frmCalc Left", ""), "7");
}

TEST_P(RegistryContract, DeleteValuesAndSections) {
    Fixture f(GetParam());
    EXPECT_FALSE(f.settings.DeleteSetting("Position", ""));  // no application key yet
    EXPECT_FALSE(f.settings.DeleteSetting("Position", "v"));
    f.settings.SaveSetting("Position", "a", "", 1);
    f.settings.SaveSetting("Position", "b", "", 2);
    EXPECT_TRUE(f.settings.DeleteSetting("Position", "a"));
    EXPECT_FALSE(f.settings.DeleteSetting("Position", "a"));
    EXPECT_EQ(f.settings.GetSetting("Position", "a", "gone"), "gone");
    EXPECT_EQ(f.settings.GetSetting("Position", "b", ""), "2");
    EXPECT_TRUE(f.settings.DeleteSetting("Position", ""));
    EXPECT_FALSE(f.KeyExists(f.SectionPath("Position")));
    EXPECT_TRUE(f.KeyExists(f.SectionPath("")));
    EXPECT_FALSE(f.settings.DeleteSetting("Position", ""));
}

TEST_P(RegistryContract, BlankMainKeyGivesAPathTheRegistryRefuses) {
    Fixture f(GetParam());
    f.settings.MainKey("   ");
    EXPECT_EQ(f.settings.GetKeyPath("S").substr(0, 1), "\\");
    EXPECT_FALSE(f.settings.SaveSetting("S", "v", "x", 0));
    EXPECT_EQ(f.settings.GetSetting("S", "v", "dflt"), "dflt");
}

TEST_P(RegistryContract, QueryReportsTheSizeItNeeds) {
    Fixture f(GetParam());
    f.RawSet("Q", "v", kRegBinary, "abcdef");
    RegHandle key = 0;
    ASSERT_EQ(
        f.registry->OpenKeyEx(RootHandle(0x80000001u), f.SectionPath("Q"), 0, kKeyAllAccess, &key),
        0);
    unsigned char small[2];
    std::uint32_t type = 0, size = sizeof small;
    EXPECT_EQ(f.registry->QueryValueEx(key, "v", &type, small, &size), kErrorMoreData);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(f.registry->QueryValueEx(key, "missing", &type, nullptr, &size), kErrorFileNotFound);
    f.registry->CloseKey(key);
}

// The order both settings stores place a file in, with each step failing in
// turn (a full disk while writing, a keep-aside or a rename refused). Faults
// caught: the unreadable file kept aside before the new one was written, so
// a full disk left no settings file; the new file left behind on a failure.
TEST(SettingsFile, PlacedInTheOneSafeOrder) {
    struct Row {
        const char* fails;
        bool keepAside;
        const char* steps;  // what ran, in order
        long status;
    };
    const Row rows[] = {
        {"", true, "write aside move", kErrorSuccess},
        {"", false, "write move", kErrorSuccess},
        {"write", true, "write", kErrorDiskFull},
        {"aside", true, "write aside discard", kErrorAccessDenied},
        {"move", true, "write aside move discard", kErrorSharingViolation},
    };
    for (const Row& r : rows) {
        std::string ran;
        auto step = [&](const char* name, long failure) {
            return [&ran, &r, name, failure] {
                ran += ran.empty() ? name : std::string(" ") + name;
                return std::string(r.fails) == name ? failure : kErrorSuccess;
            };
        };
        const long status = settingsfile::PlaceNewFile(
            {step("write", kErrorDiskFull), step("aside", kErrorAccessDenied),
             step("move", kErrorSharingViolation), [&] { ran += " discard"; }},
            r.keepAside);
        EXPECT_EQ(ran, r.steps) << "failing: " << r.fails;
        EXPECT_EQ(status, r.status) << "failing: " << r.fails;
    }
}

}  // namespace
}  // namespace tickwell
