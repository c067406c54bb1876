#include "reg_format.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

namespace tickwell::regfile {
namespace {

Hive OneKey(const std::string& path, std::vector<Value> values) {
    Hive hive;
    Key& key = hive[Lower(path)];
    key.path = path;
    for (Value& v : values) key.values[Lower(v.name)] = v;
    return hive;
}

TEST(RegFormat, EveryValueRoundTripsExactly) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    const std::vector<Value> values = {
        {"text no nul", 1, "abc"},
        {"text one nul", 1, std::string("abc\0", 4)},
        {"text two nuls", 1, std::string("abc\0\0", 5)},
        {"text empty", 1, ""},
        {"text with \"quotes\" and \\", 1, std::string("say \"hi\" \\o/\0", 13)},
        {"text utf8", 1, std::string("caf\xC3\xA9\0", 6)},
        {"dword", 4, std::string("\x0A\x0F\x00\x00", 4)},
        {"short dword", 4, std::string("\x01", 1)},
        {"binary", 3, allBytes},
        {"expand", 2, std::string("%HOME%\0", 7)},
        {"odd type", 0x1234, "xyz"},
        {"", 1, std::string("unnamed\0", 8)},
    };
    const Hive hive = OneKey("HKEY_CURRENT_USER\\Software\\Brenholt\\Tickwell\\Position", values);
    Hive back;
    ASSERT_TRUE(Parse(Serialize(hive), back));
    const Key& key = back.at(Lower("HKEY_CURRENT_USER\\Software\\Brenholt\\Tickwell\\Position"));
    ASSERT_EQ(key.values.size(), values.size());
    for (const Value& v : values) {
        const Value& got = key.values.at(Lower(v.name));
        EXPECT_EQ(got.name, v.name);
        EXPECT_EQ(got.type, v.type) << v.name;
        EXPECT_EQ(got.data, v.data) << v.name;
    }
}

// Fault caught: text beyond ASCII written into a REGEDIT4 file, which
// regedit reads in the ANSI code page and garbles.
TEST(RegFormat, TextBeyondAsciiIsWrittenAsUnicode) {
    const Hive hive = OneKey("HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9",
                             {{"s", 1, std::string("\xE2\x88\x92 0:10\0", 9)},
                              {"h", 1, std::string("line\nbreak \xF0\x9F\x98\x80\0", 16)}});
    const std::string text = Serialize(hive);
    ASSERT_EQ(text.substr(0, 2), "\xFF\xFE");
    const std::string header = "W\0i\0n\0d\0o\0w\0s\0";
    EXPECT_EQ(text.substr(2, header.size()), header);
    EXPECT_NE(text.find(std::string("C\0a\0f\0\xE9\0", 8)), std::string::npos);  // é in UTF-16
    Hive back;
    ASSERT_TRUE(Parse(text, back));
    const Key& key = back.at(Lower("HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9"));
    EXPECT_EQ(key.values.at("s").data, std::string("\xE2\x88\x92 0:10\0", 9));
    EXPECT_EQ(key.values.at("h").data, std::string("line\nbreak \xF0\x9F\x98\x80\0", 16));
    // Bytes that are not UTF-8 stay in the ANSI form, unchanged.
    EXPECT_EQ(Serialize(OneKey("HKEY_CURRENT_USER\\A", {{"x", 1, "\xE9t\xE9"}})).substr(0, 8),
              "REGEDIT4");
}

TEST(RegFormat, WritesTheFormRegeditImports) {
    const Hive hive = OneKey("HKEY_CURRENT_USER\\Software\\B",
                             {{"frmCalc Left", 4, std::string("\x0A\x0F\x00\x00", 4)},
                              {"name", 1, std::string("Tickwell\0", 9)},
                              {"raw", 1, "ab"}});
    const std::string text = Serialize(hive);
    EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\B]\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"frmCalc Left\"=dword:00000f0a\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"name\"=\"Tickwell\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"raw\"=hex(1):61,62\r\n"), std::string::npos);
    // Fault caught: hex lines wrapped a column early or late (regedit's lines
    // end by column 78: 22 bytes after the name, 25 on each line after).
    std::string bytes;
    for (int i = 0; i < 70; ++i) bytes += static_cast<char>(i);
    EXPECT_NE(Serialize(OneKey("HKEY_CURRENT_USER\\B", {{"Data", 3, bytes}}))
                  .find("\"Data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
                        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
                        "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f,40,41,42,43,44,45\r\n"),
              std::string::npos);
    EXPECT_NE(Serialize(OneKey("HKEY_CURRENT_USER\\B", {{"Dat", 3, bytes.substr(0, 30)}}))
                  .find("\"Dat\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
                        "  16,17,18,19,1a,1b,1c,1d\r\n"),
              std::string::npos);  // a line one column shorter: wrapped at 76, not 79
}

TEST(RegFormat, ReadsWhatRegeditWrites) {
    const std::string text =
        "REGEDIT4\n\n; a comment\n[HKEY_CURRENT_USER\\Software\\A]\n"
        "@=\"default\"\n\"Long\"=hex:00,01,02,\\\n  03,04\n\"Gone\"=\"x\"\n\"Gone\"=-\n"
        "\"comma\"=hex:01,02,\n\"a\\nb\"=dword:1\n"
        "[HKEY_CURRENT_USER\\Software\\A\\Sub]\n\"d\"=dword:ffffffff\n"
        "[HKEY_CURRENT_USER\\Software\\A\\Sub\\Deeper]\n\"d\"=dword:1\n"
        "[-HKEY_CURRENT_USER\\Software\\A\\Sub]\n";
    Hive hive;
    ASSERT_TRUE(Parse(text, hive));
    const Key& key = hive.at(Lower("HKEY_CURRENT_USER\\Software\\A"));
    EXPECT_EQ(key.values.at("").data, std::string("default\0", 8));
    EXPECT_EQ(key.values.at("long").data, std::string("\0\1\2\3\4", 5));
    EXPECT_EQ(key.values.count("gone"), 0u);
    // Faults caught: a trailing comma refused, "\\n" in a name read as "n",
    // [-key] leaving the key's subkeys behind.
    EXPECT_EQ(key.values.at("comma").data, "\1\2");
    EXPECT_EQ(key.values.count("a\nb"), 1u);
    EXPECT_EQ(hive.count(Lower("HKEY_CURRENT_USER\\Software\\A\\Sub")), 0u);
    EXPECT_FALSE(KeyExists(hive, Lower("HKEY_CURRENT_USER\\Software\\A\\Sub\\Deeper")));
    EXPECT_TRUE(KeyExists(hive, Lower("HKEY_CURRENT_USER\\Software")));  // ancestors exist
}

TEST(RegFormat, ReadsUtf16Version5Exports) {
    const std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\W]\r\n"
        "\"s\"=\"caf\xC3\xA9\"\r\n\"h\"=hex(1):61,00,62,00,00,00\r\n"
        "\"pair\"=hex(1):3d,d8,00,de,00,00\r\n";  // U+1F600, a surrogate pair
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned cp = static_cast<unsigned char>(utf8[i]);
        if (cp == 0xC3) cp = 0xC0 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
        utf16 += static_cast<char>(cp & 0xFF);
        utf16 += static_cast<char>(cp >> 8);
    }
    Hive hive;
    ASSERT_TRUE(Parse(utf16, hive));
    const Key& key = hive.at(Lower("HKEY_CURRENT_USER\\Software\\W"));
    EXPECT_EQ(key.values.at("s").data, std::string("caf\xC3\xA9\0", 6));
    EXPECT_EQ(key.values.at("h").data, std::string("ab\0", 3));
    EXPECT_EQ(key.values.at("pair").data, std::string("\xF0\x9F\x98\x80\0", 5));
}

TEST(RegFormat, RejectsMalformedFiles) {
    const char* bad[] = {
        "",
        "not a registry file",
        "REGEDIT4\n\"value before key\"=\"x\"\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"unterminated=\"x\"\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:0g\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:00,\\\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A\n",
        "REGEDIT4\n[\\Leading]\n",
        // Faults caught: a key path with an empty part accepted, to be
        // created or, after "-", deleted.
        "REGEDIT4\n[HKEY_CURRENT_USER\\A\\\\B]\n",
        "REGEDIT4\n[-HKEY_CURRENT_USER\\A\\\\B]\n",
        "REGEDIT4\n[-HKEY_CURRENT_USER\\A\\]\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"x\"a\"\n",  // no "=": was read as v="a"
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\" trailing\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"bad \\q escape\"\n",
        "\xFF\xFE\x41",  // odd UTF-16
    };
    for (const char* text : bad) {
        Hive hive;
        EXPECT_FALSE(Parse(text, hive)) << "case: " << text;
    }
    Hive hive;
    EXPECT_FALSE(Parse(std::string("REGEDIT4\n\0\n", 11), hive));
    // Fault caught: capital hex digits refused, as other tools write them.
    ASSERT_TRUE(Parse("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=hex:0A,FF\n", hive));
    EXPECT_EQ(hive.begin()->second.values.begin()->second.data, "\x0a\xff");
}

// Faults caught: escaped names written back raw (one save then lost every
// value), and reading or writing that grows with the square of the nesting.
TEST(RegFormat, EveryAcceptedFileIsWrittenBackToAFixedPoint) {
    std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (int i = 0; i < 16000; ++i) deep += "\\a";
    deep += "]\n\"v\"=dword:1\n";
    const std::string cases[] = {
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"a\\nb\"=dword:1\n\"c\\rd\\0\"=\"x\"\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"q\\\"\\\\\"=hex(7):61,00,00\n[HKEY_CURRENT_USER\\A\\B]"
        "\n",
        deep,
    };
    for (const std::string& text : cases) {
        Hive first, second;
        ASSERT_TRUE(Parse(text, first));
        const std::string written = Serialize(first);
        ASSERT_TRUE(Parse(written, second)) << written.substr(0, 200);
        EXPECT_EQ(Serialize(second), written);
        EXPECT_EQ(second.size(), first.size());
        EXPECT_LT(written.size(), 2 * text.size() + 64);
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
#define TICKWELL_CAN_LIMIT_MEMORY 1
#endif
#ifdef TICKWELL_CAN_LIMIT_MEMORY
TEST(RegFormat, ReadingStaysInLinearMemory) {
    // Each case needed gigabytes before; a child with a 256 MB address space
    // must read it.
    std::string deep = "REGEDIT4\n[HKEY_CURRENT_USER";
    for (int i = 0; i < 32000; ++i) deep += "\\a";
    deep += "]\n";
    const std::string blank = "REGEDIT4\n" + std::string(15 << 20, '\n');
    for (const std::string* text : {&std::as_const(deep), &blank}) {
        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit{256 << 20, 256 << 20};
            setrlimit(RLIMIT_AS, &limit);
            Hive hive;
            try {
                _exit(Parse(*text, hive) ? 0 : 2);
            } catch (...) {
                _exit(3);
            }
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text->size();
    }
}
#endif

}  // namespace
}  // namespace tickwell::regfile
