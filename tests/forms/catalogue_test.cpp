#include "catalogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "duration.h"
#include "installer_texts.h"
#include "layout.h"
#include "lifecycle.h"
#include "spoken.h"
#include "tape_export.h"
#include "texts.h"
#include "timesheet.h"
#include "translate.h"

namespace tickwell::forms {
namespace {

// A compiled catalogue as msgfmt lays it out: header, both string tables,
// then the strings, each followed by a NUL.
struct Mo {
    std::vector<std::pair<std::string, std::string>> entries;
    bool bigEndian = false;
    std::uint32_t revision = 0;

    std::string Bytes() const {
        std::string out;
        auto word = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                out += static_cast<char>((v >> (bigEndian ? 8 * (3 - i) : 8 * i)) & 0xFF);
        };
        const auto n = static_cast<std::uint32_t>(entries.size());
        const std::uint32_t originals = 28, translations = originals + 8 * n;
        std::uint32_t at = translations + 8 * n;
        std::string strings;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> o, t;
        for (const auto& [english, translated] : entries) {
            o.emplace_back(static_cast<std::uint32_t>(english.size()), at);
            strings += english + '\0';
            at += static_cast<std::uint32_t>(english.size() + 1);
        }
        for (const auto& [english, translated] : entries) {
            t.emplace_back(static_cast<std::uint32_t>(translated.size()), at);
            strings += translated + '\0';
            at += static_cast<std::uint32_t>(translated.size() + 1);
        }
        word(0x950412de);
        word(revision);
        word(n);
        word(originals);
        word(translations);
        word(0);
        word(0);
        for (const auto& [len, off] : o) word(len), word(off);
        for (const auto& [len, off] : t) word(len), word(off);
        return out + strings;
    }
};

const char* kHeader = "Content-Type: text/plain; charset=UTF-8\n";

// `n` entries whose translations all lie in one string of `length` bytes,
// each starting `step` bytes after the one before (0: all one string).
std::string OneLongString(std::uint32_t n, std::uint32_t length, std::uint32_t step) {
    std::string out, keys;
    auto word = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (const std::uint32_t v : {0x950412deu, 0u, n, 28u, 28 + 8 * n, 0u, 0u}) word(v);
    const std::uint32_t strings = 28 + 16 * n;
    for (std::uint32_t i = 0; i < n; ++i) {
        word(static_cast<std::uint32_t>(std::to_string(i).size()));
        word(strings + static_cast<std::uint32_t>(keys.size()));
        keys += std::to_string(i) + '\0';
    }
    const auto text = strings + static_cast<std::uint32_t>(keys.size());
    for (std::uint32_t i = 0; i < n; ++i) word(length - i * step), word(text + i * step);
    return out + keys + std::string(length, 'x') + '\0';
}

Mo German() {
    return {{{"", kHeader},
             {"&Help", "&Hilfe"},
             {"Menu\x04"
              "&Edit",
              "&Bearbeiten"},
             {"%d second\0%d seconds", std::string("%d Sekunde\0%d Sekunden", 21)}}};
}

TEST(Catalogue, ReadsGoodFilesAndRefusesBadOnesWhole) {
    struct Row {
        const char* fault;  // what a reader that passes this row wrongly does
        std::string bytes;
        bool good;
    };
    Mo big = German();
    big.bigEndian = true;
    Mo revised = German();
    revised.revision = 1 << 16;
    Mo future = German();
    future.revision = 2 << 16;
    Mo latin1{{{"", "Content-Type: text/plain; charset=ISO-8859-1\n"}, {"&Help", "&Hilfe"}}};
    Mo badUtf8{{{"", kHeader}, {"&Help", "\xC3\x28"}}};
    Mo overlong{{{"", kHeader}, {"&Help", "\xC0\xAF"}}};
    const std::string good = German().Bytes();
    std::string noNul = good;
    noNul.back() = 'x';
    std::string pastEnd = good;
    pastEnd[28 + 8] = '\x7F';  // the second original's length, far past the file
    std::string hugeCount = good;
    hugeCount[8] = '\xFF', hugeCount[9] = '\xFF', hugeCount[10] = '\xFF';
    const Row rows[] = {
        {"refuses msgfmt's own byte order", good, true},
        {"refuses a big-endian machine's file", big.Bytes(), true},
        {"refuses revision 1, which msgfmt writes for some files", revised.Bytes(), true},
        {"reads a layout it does not know", future.Bytes(), false},
        {"shows Latin-1 bytes as UTF-8", latin1.Bytes(), false},
        {"passes broken UTF-8 to the windows", badUtf8.Bytes(), false},
        {"passes an overlong UTF-8 form", overlong.Bytes(), false},
        {"reads a string without its NUL", noNul, false},
        {"reads a last string the file cuts before its NUL", good.substr(0, good.size() - 1),
         false},
        {"reads past the file's end", pastEnd, false},
        {"trusts a count larger than the file", hugeCount, false},
        {"takes a torn header for a catalogue", good.substr(0, 20), false},
        {"takes any file for a catalogue", "GIF89a and so on, not a catalogue", false},
        {"takes an empty file for a catalogue", "", false},
        // 4,000 overlapping strings in 400 KB: 1.6 GB once copied apart.
        {"expands a small file into gigabytes", OneLongString(4000, 400000, 1), false},
        {"picks plural forms by a rule it cannot read",
         Mo{{{"", std::string(kHeader) + "Plural-Forms: nplurals=2; plural=(n != 1;\n"}}}.Bytes(),
         false},
        {"trusts any number of plural forms",
         Mo{{{"", std::string(kHeader) + "Plural-Forms: nplurals=99; plural=n;\n"}}}.Bytes(),
         false},
        {"overflows counting the plural forms",
         Mo{{{"", std::string(kHeader) + "Plural-Forms: nplurals=65555555555555; plural=n;\n"}}}
             .Bytes(),
         false},
        {"recurses without bound into a planted rule",
         Mo{{{"", std::string(kHeader) + "Plural-Forms: nplurals=2; plural=" +
                      std::string(200, '(') + "n" + std::string(200, ')') + ";\n"}}}
             .Bytes(),
         false},
    };
    for (const Row& r : rows) {
        Catalogue c;
        EXPECT_EQ(c.Parse(r.bytes), r.good) << r.fault;
        if (!r.good) {
            EXPECT_EQ(c.Size(), 0u) << r.fault << " (and keeps part of it)";
            continue;
        }
        ASSERT_NE(c.Find("&Help"), nullptr) << r.fault;
        EXPECT_STREQ(c.Find("&Help"), "&Hilfe");
        // Contexts are part of the key; a plural's first form stands for it.
        EXPECT_STREQ(c.Find("Menu\x04&Edit"), "&Bearbeiten");
        EXPECT_EQ(c.Find("&Edit"), nullptr);
        EXPECT_STREQ(c.Find("%d second"), "%d Sekunde");
        EXPECT_EQ(c.Find(""), nullptr) << "the header is not a translation";
    }
    // Faults caught: a sequence at a text's very end refused, or one cut
    // short there read.
    Catalogue ends;
    EXPECT_TRUE(ends.Parse(Mo{{{"", kHeader}, {"&Help", "caf\xC3\xA9"}}}.Bytes()));
    EXPECT_FALSE(ends.Parse(Mo{{{"", kHeader}, {"&Help", "caf\xE2\x82"}}}.Bytes()));
    Catalogue shared;  // Fault caught: one string shared by every entry refused.
    EXPECT_TRUE(shared.Parse(OneLongString(4000, 400000, 0)));
    EXPECT_EQ(shared.Size(), 4000u);
}

// Faults caught: C's precedence misread (&& before ||, % before ==), a
// comparison taken for another, a division by zero that traps, a form
// beyond the catalogue's count used.
TEST(Catalogue, PluralRulesReadAsGettextReadsThem) {
    const char* const kRussian =
        "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || "
        "n%100>=20) ? 1 : 2);";
    const struct {
        const char* rule;
        std::uint64_t n;
        int form;
    } rows[] = {
        {kRussian, 1, 0},
        {kRussian, 11, 2},
        {kRussian, 21, 0},
        {kRussian, 22, 1},
        {kRussian, 12, 2},
        {kRussian, 105, 2},
        {"nplurals=2; plural=(n > 1);", 0, 0},
        {"nplurals=2; plural=(n > 1);", 2, 1},
        {"nplurals=2; plural=n<=1 ? 0 : 1;", 1, 0},
        {"nplurals=2; plural=!(n == 1);", 1, 0},
        {"nplurals=2; plural=n % 0;", 7, 0},
        {"nplurals=2; plural=n;", 5, 0},
        {"nplurals=3; plural=1 + 2 * (n - 1) / n;", 1, 1},
    };
    for (const auto& r : rows) {
        PluralRule rule;
        ASSERT_TRUE(rule.Parse(std::string("Plural-Forms: ") + r.rule + "\n")) << r.rule;
        EXPECT_EQ(rule.Form(r.n), r.form) << r.rule << " for " << r.n;
    }
}

TEST(Catalogue, LanguagesComeFromTheEnvironmentInGettextsOrder) {
    using Env = std::map<std::string, std::string>;
    struct Row {
        Env env;
        std::vector<std::string> languages;
        const char* fault;
    };
    const Row rows[] = {
        {{{"LANG", "de_DE.UTF-8"}}, {"de_DE", "de"}, "the codeset kept in the folder name"},
        {{{"LANG", "pt_BR.UTF-8"}},
         {"pt_BR", "pt"},
         "Brazilian Portuguese not tried before Portuguese"},
        {{{"LANG", "sr_RS.UTF-8@latin"}},
         {"sr_RS@latin", "sr@latin", "sr_RS", "sr"},
         "the modifier lost"},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}},
         {"fr_FR", "fr"},
         "LANG over LC_MESSAGES"},
        {{{"LC_ALL", "it_IT.UTF-8"}, {"LC_MESSAGES", "fr_FR"}},
         {"it_IT", "it"},
         "LC_MESSAGES over LC_ALL"},
        {{{"LANGUAGE", "nl:de"}, {"LANG", "fr_FR.UTF-8"}}, {"nl", "de"}, "LANGUAGE not put first"},
        {{{"LANGUAGE", "::pl:"}, {"LANG", "fr_FR"}}, {"pl"}, "empty list entries taken as names"},
        {{{"LANGUAGE", "ru:C:de"}, {"LANG", "fr_FR"}}, {"ru"}, "a C in the list not ending it"},
        {{{"LANGUAGE", "de"}, {"LANG", "C"}}, {}, "LANGUAGE obeyed under the C locale"},
        {{{"LANGUAGE", "de"}, {"LC_ALL", "POSIX"}, {"LANG", "de_DE"}}, {}, "POSIX not English"},
        {{{"LANG", "C.UTF-8"}}, {}, "C.UTF-8 looked up as a language"},
        {{{"LANGUAGE", "de"}}, {}, "LANGUAGE obeyed with no locale at all"},
        {{{"LANG", ""}, {"LC_ALL", ""}}, {}, "an empty variable taken as a locale"},
    };
    for (const Row& r : rows) {
        const auto languages = MessageLanguages([&](const char* name) -> const char* {
            const auto found = r.env.find(name);
            return found == r.env.end() ? nullptr : found->second.c_str();
        });
        EXPECT_EQ(languages, r.languages) << r.fault;
    }
}

TEST(Catalogue, TheFirstGoodCatalogueFoundIsUsedAndEnglishIsTheFallback) {
    std::map<std::string, std::string> files = {
        {"/l/fr/LC_MESSAGES/tickwell.mo", "not a catalogue"},
        {"/l/de/LC_MESSAGES/tickwell.mo", German().Bytes()},
        {"/x/LC_MESSAGES/tickwell.mo", Mo{{{"", kHeader}, {"&Help", "planted"}}}.Bytes()},
    };
    std::vector<std::string> asked;
    auto read = [&](const std::string& path, std::string& bytes) {
        asked.push_back(path);
        const auto found = files.find(path);
        if (found == files.end()) return false;
        bytes = found->second;
        return true;
    };
    // A broken French catalogue falls through to German; a name from the
    // environment never reaches outside the folder.
    EXPECT_EQ(LoadCatalogue("/l", {"../x", "fr_FR", "fr", "de"}, read), "de");
    EXPECT_EQ(std::string(Tr("&Help")), "&Hilfe");
    EXPECT_EQ(std::string(Tr("Not in the catalogue")), "Not in the catalogue");
    for (const auto& path : asked) EXPECT_EQ(path.find(".."), std::string::npos) << path;

    EXPECT_EQ(LoadCatalogue("/l", {"ja"}, read), "");
    EXPECT_EQ(std::string(Tr("&Help")), "&Help") << "the last catalogue still in use";
}

// The msgids of a .pot file, its C escapes undone.
std::set<std::string> TemplateIds(const std::string& path) {
    std::ifstream in(path);
    std::set<std::string> ids;
    std::string line, id;
    bool inId = false;
    auto unquote = [](const std::string& q) {
        std::string out;
        for (std::size_t i = 1; i + 1 < q.size(); ++i) {
            if (q[i] != '\\') {
                out += q[i];
                continue;
            }
            const char e = q[++i];
            out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        }
        return out;
    };
    while (std::getline(in, line)) {
        if (line.rfind("msgid \"", 0) == 0) {
            inId = true;
            id = unquote(line.substr(6));
        } else if (inId && !line.empty() && line[0] == '"') {
            id += unquote(line);
        } else if (inId) {
            ids.insert(id);
            inId = false;
        }
    }
    return ids;
}

TEST(Catalogue, EveryTextTheWindowsShowIsInTheTemplate) {
    const auto ids = TemplateIds(TICKWELL_SOURCE_DIR "/po/tickwell.pot");
    ASSERT_GT(ids.size(), 10u) << "no template read";
    // Symbols, key letters and the product's name read the same everywhere.
    const std::set<std::string> kept = {
        "", "+", "-", "=", ":", "MS", "S", "C", "CE", "Tickwell", "For editing use only"};
    std::vector<std::string> shown = {
        kHelpCaption,       kHelpMenuCaption,    kEditMenuCaption,   kTapeCaption,
        kNoDurationText,    kClipboardBusyText,  kFactorNotANumber,  kFactorZero,
        kTwoWaysText,       kHelpText1,          kHelpText2,         kHelpText3,
        kHelpKeyList,       kLicenseText,        kListBadCellText,   kListTooLargeText,
        kBetweenResultText, kBetweenNextDayText, kNotAClockTimeText, kBreakNotDurationText,
        kBreakTooLongText,  kRoundMinutesRefused};
    for (const char* text : {kViewMenuCaption, kTapeMenuCaption, kAlwaysOnTopUnavailable,
                             kTapeTextFilter, kTapeCsvFilter, kTapeFileName, kTapeSaveFailedText,
                             kTapeSaveAsTitle, kCsvOperation, kCsvDuration, kCsvHours,
                             kKeptTapeRefusedText})
        shown.emplace_back(text);
    for (const FormSpec* form : {&CalcForm(), &HelpPage(), &AboutForm(), &MultiplyForm(),
                                 &TimeBetweenForm(), &RoundForm()}) {
        shown.push_back(form->caption);
        for (const ControlSpec& c : *form)
            for (const char* text : {c.kind == Kind::Combo ? nullptr : c.caption, c.accessibleName,
                                     c.toolTip})  // a combo's caption lists numbers
                if (text) shown.push_back(text);
    }
    for (auto [item, end] :
         {std::pair{HelpMenuBegin(), HelpMenuEnd()}, std::pair{EditMenuBegin(), EditMenuEnd()},
          std::pair{ViewMenuBegin(), ViewMenuEnd()}, std::pair{TapeMenuBegin(), TapeMenuEnd()}})
        for (; item != end; ++item)
            if (item->caption) shown.push_back(item->caption);
    // Fault: a text shown that no translator is ever given.
    for (const auto& text : shown)
        if (!kept.count(text)) {
            EXPECT_TRUE(ids.count(text)) << "not in po/tickwell.pot: " << text;
        }
}

// Each catalogue as the windows and Paste use it, English first. Faults
// caught: two access keys alike in one menu, the menu bar, a dialog, or the
// installer's users page with NSIS's own buttons ("&Cinta" beside "&Copiar",
// "&Solo para mí" beside "&Siguiente >"); "Ctrl+Shift+C" beside German items
// in the Windows menus; a unit or "and" word that never pastes (in capitals,
// with its period, or listed for two units).
TEST(Catalogue, AccessKeysApartAndUnitWordsReadInEveryLanguage) {
    SetTranslator([](const char* english) { return Tr(english); });
    auto read = [](const std::string& path, std::string& bytes) {
        std::stringstream all;
        all << std::ifstream(path, std::ios::binary).rdbuf();
        bytes = all.str();
        return !bytes.empty();
    };
    const std::map<std::string, std::string> nsis = {
        {"en", "English"}, {"de", "German"},  {"fr", "French"},
        {"es", "Spanish"}, {"it", "Italian"}, {"pt_BR", "PortugueseBR"},
        {"nl", "Dutch"},   {"pl", "Polish"},  {"ru", "Russian"}};
    std::ifstream linguas(TICKWELL_SOURCE_DIR "/po/LINGUAS");
    for (std::string language = "en"; !language.empty(); language.clear(), linguas >> language) {
        if (language == "en")
            UseCatalogue(Catalogue{});
        else
            ASSERT_EQ(LoadCatalogue(TICKWELL_LOCALE_DIR, {language}, read), language);
        EXPECT_TRUE(language != "de" || MenuShortcutText(EditMenuBegin()[1]) == "Strg+Umschalt+C");
        std::vector<std::vector<std::string>> groups = {
            {Tr(kEditMenuCaption), Tr(kViewMenuCaption), Tr(kHelpMenuCaption)}};
        for (auto [item, end] :
             {std::pair{EditMenuBegin(), EditMenuEnd()}, std::pair{HelpMenuBegin(), HelpMenuEnd()},
              std::pair{ViewMenuBegin(), ViewMenuEnd()}, std::pair{TapeMenuBegin(), TapeMenuEnd()}})
            for (groups.emplace_back(); item != end; ++item)
                if (item->caption) groups.back().push_back(Tr(item->caption));
        for (const FormSpec* form :
             {&CalcForm(), &AboutForm(), &MultiplyForm(), &TimeBetweenForm(), &RoundForm()}) {
            groups.emplace_back();
            for (const ControlSpec& c : *form)
                if (c.caption) groups.back().push_back(Tr(c.caption));
        }
        groups.push_back({Tr(installer::kTexts[3][1]), Tr(installer::kTexts[4][1])});  // the scopes
        std::ifstream nlf("/usr/share/nsis/Contrib/Language files/" + nsis.at(language) + ".nlf");
        for (std::string line, last; std::getline(nlf, line); last = line)
            if (last.rfind("# ^BackBtn", 0) == 0 || last.rfind("# ^NextBtn", 0) == 0 ||
                last.rfind("# ^CancelBtn", 0) == 0)
                groups.back().push_back(line.substr(0, line.find('\r')));
        for (const auto& texts : groups) {
            std::map<std::string, std::string> taken;  // the key after "&", folded: its text
            for (const std::string& text : texts) {
                const auto at = text.find('&');
                if (at == std::string::npos || at + 1 >= text.size()) continue;
                std::size_t end = at + 2;
                while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
                    ++end;
                const auto [was, fresh] =
                    taken.emplace(FoldedText(text.substr(at + 1, end - at - 1)), text);
                EXPECT_TRUE(fresh)
                    << language << ": \"" << text << "\" and \"" << was->second << "\"";
            }
        }
        const char* const lists[3] = {"h hr hrs hour hours", "m min mins minute minutes",
                                      "s sec secs second seconds"};
        for (int unit = 0; unit < 3; ++unit) {
            std::istringstream words(Tr(lists[unit]));
            for (std::string word; words >> word;)
                for (const std::string& text : {"2 " + word, "2 " + word + "."}) {
                    PastedEntry e;
                    EXPECT_TRUE(ParseDuration(text, e, '.') && (unit == 0   ? e.hours
                                                                : unit == 1 ? e.minutes
                                                                            : e.seconds) == "2")
                        << language << ": \"" << text << "\" not 2 of unit " << unit;
                }
        }
        std::istringstream tos(Tr("to"));  // a range's word, or it never pastes
        for (std::string word; tos >> word;) {
            std::int64_t seconds = 0;
            EXPECT_TRUE(ParseRanges("9:00 " + word + " 17:00", seconds) && seconds == 8 * 3600)
                << language << ": " << word;
        }
        std::istringstream ands(Tr("and"));
        for (std::string word; ands >> word;) {
            PastedEntry e;
            EXPECT_TRUE(ParseDuration("1 h " + word + " 30 min", e, '.') && e.minutes == "30")
                << language << ": " << word;
        }
    }
    UseCatalogue(Catalogue{});
    SetTranslator(nullptr);
}

// What a screen reader says after a command, from the boxes.
TEST(Catalogue, ResultsAreSpokenInWordsInEveryLanguage) {
    const struct {
        const char* language;
        const char* boxes[3];
        const char* said;
        const char* fault;
    } rows[] = {
        {"en", {"1", "26", "30"}, "1 hour, 26 minutes, 30 seconds", "a plural for 1"},
        {"en", {"", "86", "30"}, "86 minutes, 30 seconds", "an empty box said"},
        {"en", {"", "", ""}, "cleared", "nothing said for a clear"},
        {"en", {"0", "0", "0"}, "0 seconds", "a zero result said as nothing"},
        {"en", {"1", "0", "30"}, "1 hour, 30 seconds", "a zero part said"},
        {"en", {"-0", "-30", ""}, "minus 30 minutes", "\"minus 0 hours\", or the sign twice"},
        {"en", {"1", "-30", ""}, "1 hour, minus 30 minutes", "a sign lost where the parts differ"},
        {"en", {"1.5", "", ""}, "1.5 hours", "\"1.5 hour\""},
        {"en", {"1000001", "", ""}, "1000001 hours", "a long number's form from its last digits"},
        {"en", {"596523", "14", "7"}, "596523 hours, 14 minutes, 7 seconds", "hours beyond 24"},
        {"de", {"1", "1", "2"}, "1 Stunde, 1 Minute, 2 Sekunden", "German's forms"},
        {"fr", {"0", "0", "0"}, "0 seconde", "French's singular for 0"},
        {"ru", {"1", "2", "5"}, "1 час, 2 минуты, 5 секунд", "Russian's three forms"},
        {"ru", {"21", "11", "22"}, "21 час, 11 минут, 22 секунды", "Russian's teens"},
        {"ru", {"1.5", "", "-0"}, "1.5 часа", "Russian's fraction form"},
        {"ru", {"0", "0", "-1"}, "минус 1 секунда", "the translated minus"},
        {"pl", {"22", "12", "112"}, "22 godziny, 12 minut, 112 sekund", "Polish's teens"},
        {"nl", {"2", "", ""}, "2 uur", "Dutch's hours"},
        {"pt_BR", {"", "", ""}, "limpo", "the translated clear"},
    };
    auto read = [](const std::string& path, std::string& bytes) {
        std::stringstream all;
        all << std::ifstream(path, std::ios::binary).rdbuf();
        bytes = all.str();
        return !bytes.empty();
    };
    for (const auto& r : rows) {
        if (std::string(r.language) == "en")
            UseCatalogue(Catalogue{});
        else
            ASSERT_EQ(LoadCatalogue(TICKWELL_LOCALE_DIR, {r.language}, read), r.language);
        EXPECT_EQ(SpokenEntry(r.boxes[0], r.boxes[1], r.boxes[2]), r.said) << r.fault;
    }
    UseCatalogue(Catalogue{});
}

}  // namespace
}  // namespace tickwell::forms
