#include "catalogue.h"

#include <cstdint>
#include <new>
#include <set>
#include <utility>

#include "numbers.h"
#include "settings_file.h"

namespace tickwell::forms {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;

// The file's words in its own byte order.
class Reader {
public:
    explicit Reader(std::string_view bytes) : mBytes(bytes) {}

    bool Word(std::size_t offset, std::uint32_t& value) const {
        if (offset > mBytes.size() || mBytes.size() - offset < 4) return false;
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte =
                static_cast<unsigned char>(mBytes[offset + static_cast<std::size_t>(i)]);
            v |= static_cast<std::uint32_t>(byte) << (mSwapped ? 8 * (3 - i) : 8 * i);
        }
        value = v;
        return true;
    }

    void Swapped(bool swapped) { mSwapped = swapped; }

    // The string table entry at `table` + 8 * `index`: its bytes, which must
    // end in a NUL within the file.
    bool String(std::size_t table, std::size_t index, std::string_view& out) const {
        std::uint32_t length = 0, offset = 0;
        const std::size_t entry = table + 8 * index;
        if (!Word(entry, length) || !Word(entry + 4, offset)) return false;
        const std::size_t end = static_cast<std::size_t>(offset) + length;
        if (end >= mBytes.size() || mBytes[end] != '\0') return false;
        out = mBytes.substr(offset, length);
        return true;
    }

private:
    std::string_view mBytes;
    bool mSwapped = false;
};

// The header's charset, lower-cased; "" when it names none.
std::string Charset(std::string_view header) {
    const auto at = header.find("charset=");
    if (at == std::string_view::npos) return "";
    std::string name;
    for (std::size_t i = at + 8; i < header.size(); ++i) {
        const char c = header[i];
        if (c == ' ' || c == '\n' || c == ';' || c == '\r') break;
        name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

Catalogue& Current() {
    static Catalogue catalogue;
    return catalogue;
}

}  // namespace

bool Catalogue::Parse(std::string_view bytes) {
    mEntries.clear();
    mPlurals.clear();
    mRule = PluralRule();
    mBytes.reset();
    if (bytes.size() > kMaxCatalogueBytes) return false;
    try {
        auto owned = std::make_shared<const std::string>(bytes);
        Reader reader(*owned);
        std::uint32_t magic = 0, revision = 0, count = 0, originals = 0, translations = 0;
        if (!reader.Word(0, magic)) return false;
        if (magic != kMagic) {
            reader.Swapped(true);
            if (!reader.Word(0, magic) || magic != kMagic) return false;
        }
        if (!reader.Word(4, revision) || !reader.Word(8, count) || !reader.Word(12, originals) ||
            !reader.Word(16, translations))
            return false;
        // Major revisions 0 and 1 share this layout; 1 only adds system-dependent
        // strings, which msgfmt writes for C format macros we do not use.
        if ((revision >> 16) > 1 || count > bytes.size() / 16) return false;
        std::map<std::string_view, std::string_view, std::less<>> entries, plurals;
        PluralRule rule;
        // Each string read once however many entries share it; strings that
        // overlap without being one (no msgfmt writes them) may not add up
        // to more than the file, or a small file would stand for gigabytes.
        std::set<std::pair<const char*, std::size_t>> checked;
        std::size_t referenced = 0;
        auto valid = [&](std::string_view text) {
            if (!checked.emplace(text.data(), text.size()).second) return true;
            referenced += text.size();
            return referenced <= bytes.size() && ValidUtf8(text);
        };
        for (std::size_t i = 0; i < count; ++i) {
            std::string_view english, translated;
            if (!reader.String(originals, i, english) || !reader.String(translations, i, translated))
                return false;
            // A plural entry is "singular\0plural" with its forms apart by NULs;
            // its first form also stands as the singular's plain translation,
            // NUL-terminated as every string of the file is.
            const bool plural = english.find('\0') != std::string_view::npos;
            english = english.substr(0, english.find('\0'));
            if (!valid(english) || !valid(translated)) return false;
            if (english.empty()) {
                const std::string charset = Charset(translated);
                if (!charset.empty() && charset != "utf-8") return false;
                if (translated.find("Plural-Forms:") != std::string_view::npos &&
                    !rule.Parse(translated))
                    return false;
                continue;
            }
            if (plural && !translated.empty()) plurals.emplace(english, translated);
            translated = translated.substr(0, translated.find('\0'));
            if (!translated.empty()) entries.emplace(english, translated);
        }
        mEntries.swap(entries);
        mPlurals.swap(plurals);
        mRule = rule;
        mBytes = std::move(owned);
        return true;
    } catch (const std::bad_alloc&) {
        mEntries.clear();
        mPlurals.clear();
        return false;
    }
}

const char* Catalogue::Find(std::string_view english) const {
    const auto found = mEntries.find(english);
    return found == mEntries.end() ? nullptr : found->second.data();
}

const char* Catalogue::FindPlural(std::string_view singular, std::uint64_t n) const {
    const auto found = mPlurals.find(singular);
    if (found == mPlurals.end()) return nullptr;
    std::string_view forms = found->second;
    for (int form = mRule.Form(n); form > 0; --form) {
        const auto end = forms.find('\0');
        if (end == std::string_view::npos) return nullptr;  // fewer forms than the rule
        forms.remove_prefix(end + 1);
    }
    return forms.empty() || forms.front() == '\0' ? nullptr : forms.data();
}

std::vector<std::string> LanguageVariants(const std::string& locale) {
    const std::size_t at = locale.find('@');
    const std::string modifier = at == std::string::npos ? "" : locale.substr(at);
    std::string name = locale.substr(0, at);
    name = name.substr(0, name.find('.'));
    if (name.empty() || name == "C" || name == "POSIX") return {};
    const std::string language = name.substr(0, name.find('_'));
    std::vector<std::string> variants;
    auto add = [&](const std::string& v) {
        for (const auto& seen : variants)
            if (seen == v) return;
        variants.push_back(v);
    };
    if (!modifier.empty()) {
        add(name + modifier);
        add(language + modifier);
    }
    add(name);
    add(language);
    return variants;
}

std::vector<std::string> MessageLanguages(const std::function<const char*(const char*)>& getenv) {
    auto value = [&](const char* name) -> std::string {
        const char* v = getenv(name);
        return v ? v : "";
    };
    std::string locale = value("LC_ALL");
    if (locale.empty()) locale = value("LC_MESSAGES");
    if (locale.empty()) locale = value("LANG");
    if (LanguageVariants(locale).empty()) return {};
    std::vector<std::string> names;
    const std::string list = value("LANGUAGE");
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    if (names.empty()) names.push_back(locale);
    std::vector<std::string> languages;
    for (const auto& name : names) {
        const auto variants = LanguageVariants(name);
        if (variants.empty()) break;  // "C": English from here on
        for (const auto& v : variants) languages.push_back(v);
    }
    return languages;
}

const char* Tr(const char* english) {
    const char* found = english ? Current().Find(english) : nullptr;
    return found ? found : english;
}

std::string Tr(const std::string& english) {
    const char* found = Current().Find(english);
    return found ? found : english;
}

const char* TrC(const char* context, const char* english) {
    const char* found = Current().Find(std::string(context) + '\x04' + english);
    return found ? found : english;
}

std::string TrN(const char* singular, const char* plural, std::uint64_t n) {
    if (const char* found = Current().FindPlural(singular, n)) return found;
    return n == 1 ? singular : plural;
}

void UseCatalogue(Catalogue catalogue) {
    Current() = std::move(catalogue);
    // The engine's messages and the tape's words from the same catalogue.
    SetTranslator([](const char* english) { return Tr(english); });
}

std::string LoadCatalogue(const std::string& folder, const std::vector<std::string>& languages,
                          const std::function<bool(const std::string&, std::string&)>& read) {
    for (const auto& language : languages) {
        // A name from the environment never leads out of the folder.
        if (language.find_first_of("/\\") != std::string::npos ||
            language.find("..") != std::string::npos)
            continue;
        std::string bytes;
        const std::string path = folder + "/" + language + "/LC_MESSAGES/tickwell.mo";
        if (!read(path, bytes)) continue;
        Catalogue catalogue;
        if (!catalogue.Parse(bytes)) {
            settingsfile::Report("tickwell: the catalogue " + path +
                                 " is damaged and was not used; texts stay in English.");
            continue;
        }
        UseCatalogue(std::move(catalogue));
        return language;
    }
    UseCatalogue(Catalogue());
    return "";
}

}  // namespace tickwell::forms
