// Translations from gettext's compiled catalogues (.mo files), read here so
// that both front ends share one lookup: the Windows build has no gettext
// library. A catalogue is a file from disk, so every offset, length and
// text is checked, and a file that fails any check is not used at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plural_rule.h"
#include "translate.h"  // N_, which marks a text where it is defined

namespace tickwell::forms {

// The largest catalogue read; ours are a few kilobytes.
constexpr std::size_t kMaxCatalogueBytes = 1 << 20;

class Catalogue {
public:
    // True when `bytes` is a whole, well-formed catalogue in UTF-8; on false
    // (memory running out included) the catalogue is left empty. The texts
    // stay in one copy of the file, however many entries point at one
    // string, so a catalogue costs a small multiple of its size.
    bool Parse(std::string_view bytes);
    // The translation of `english` (with its context as "context\x04text"),
    // NUL-terminated, or null when it has none.
    const char* Find(std::string_view english) const;
    // The form of a plural text that goes with `n` by the catalogue's rule,
    // NUL-terminated, or null when it has none.
    const char* FindPlural(std::string_view singular, std::uint64_t n) const;
    std::size_t Size() const { return mEntries.size(); }

private:
    std::shared_ptr<const std::string> mBytes;  // what the entries point into
    std::map<std::string_view, std::string_view, std::less<>> mEntries;
    std::map<std::string_view, std::string_view, std::less<>> mPlurals;  // all forms
    PluralRule mRule;
};

// The variants of one locale name under which a catalogue is looked for,
// best first, as gettext tries them: "pt_BR.UTF-8@x" gives "pt_BR@x", "pt@x",
// "pt_BR", "pt". Empty for "C", "POSIX" and "C.<codeset>", which are English.
std::vector<std::string> LanguageVariants(const std::string& locale);

// The languages to look for, best first, from the environment as gettext
// reads it: the locale is LC_ALL, else LC_MESSAGES, else LANG; when it is
// set and not "C" or "POSIX", LANGUAGE (a colon-separated list) comes before
// it. A "C" in that list means English from there on.
std::vector<std::string> MessageLanguages(const std::function<const char*(const char*)>& getenv);

// The program's words in the user's language: `english` itself until a
// catalogue is in use, and for every text the catalogue lacks.
const char* Tr(const char* english);
std::string Tr(const std::string& english);
// A text in its `context`, where one English text has two meanings.
const char* TrC(const char* context, const char* english);
// A text with a number in the form the language uses with it (English:
// `singular` for 1, `plural` otherwise).
std::string TrN(const char* singular, const char* plural, std::uint64_t n);

// Puts a catalogue in use for Tr (at start, before any window is made).
void UseCatalogue(Catalogue catalogue);

// Loads the first catalogue found for `languages` with `read` (a file's
// bytes by path, false when absent or too large) from `<folder>/<language>/
// LC_MESSAGES/tickwell.mo`; returns the language used, or "" for English. A
// file found but refused is said once (settingsfile::Report) and passed by.
std::string LoadCatalogue(const std::string& folder, const std::vector<std::string>& languages,
                          const std::function<bool(const std::string&, std::string&)>& read);

}  // namespace tickwell::forms
