#include "reg_format.h"

#include <algorithm>
#include <string_view>

namespace tickwell::regfile {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool HasSubkeys(const Hive& hive, const std::string& lowerPath) {
    const std::string prefix = lowerPath + '\\';
    const auto child = hive.lower_bound(prefix);
    return child != hive.end() && child->first.compare(0, prefix.size(), prefix) == 0;
}

bool KeyExists(const Hive& hive, const std::string& lowerPath) {
    return hive.count(lowerPath) != 0 || HasSubkeys(hive, lowerPath);
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE bytes to UTF-8; false on an odd length or a lone surrogate.
bool Utf16ToUtf8(const std::string& in, std::size_t start, std::string& out) {
    if ((in.size() - start) % 2 != 0) return false;
    out.clear();
    out.reserve((in.size() - start) / 2);
    for (std::size_t i = start; i < in.size(); i += 2) {
        std::uint32_t unit =
            static_cast<unsigned char>(in[i]) | (static_cast<unsigned char>(in[i + 1]) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= in.size()) return false;
            const std::uint32_t low = static_cast<unsigned char>(in[i + 2]) |
                                      (static_cast<unsigned char>(in[i + 3]) << 8);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
        AppendUtf8(out, unit);
    }
    return true;
}

bool IsTextType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the quote.
bool ReadQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= s.size()) return false;
            switch (s[pos]) {
                case '\\': c = '\\'; break;
                case '"': c = '"'; break;
                case 'n': c = '\n'; break;
                case 'r': c = '\r'; break;
                case '0': c = '\0'; break;
                default: return false;
            }
        }
        out += c;
    }
    return false;
}

bool ParseHexBytes(std::string_view text, std::string& out) {
    out.clear();
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skip = [&] {
        while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    skip();
    if (i == n) return true;
    for (;;) {
        skip();
        if (i + 1 >= n) return false;
        const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        skip();
        if (i == n) return true;
        if (text[i] != ',') return false;
        ++i;
        skip();
        if (i == n) return true;  // a trailing comma is tolerated
    }
}

bool ParseData(std::string_view text, bool unicode, Value& value, bool& remove) {
    remove = false;
    if (text == "-") {
        remove = true;
        return true;
    }
    if (!text.empty() && text[0] == '"') {
        std::size_t pos = 0;
        std::string s;
        if (!ReadQuoted(text, pos, s) || !Trim(text.substr(pos)).empty()) return false;
        value.type = 1;
        value.data = s + '\0';  // the quoted form is text with its terminator
        return true;
    }
    const std::string lower = Lower(std::string(text.substr(0, 12)));
    if (lower.rfind("dword:", 0) == 0) {
        const std::string_view digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t v = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = 4;
        value.data.assign({static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF),
                           static_cast<char>((v >> 24) & 0xFF)});
        return true;
    }
    if (lower.rfind("hex:", 0) == 0) {
        value.type = 3;
        return ParseHexBytes(text.substr(4), value.data);
    }
    if (lower.rfind("hex(", 0) == 0) {
        const auto close = text.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return false;
        std::uint32_t type = 0;
        for (std::size_t i = 4; i < close; ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0) return false;
            type = type * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = type;
        if (!ParseHexBytes(text.substr(close + 2), value.data)) return false;
        // Version 5 files hold text types as UTF-16; this store keeps 8-bit text.
        std::string narrow;
        if (unicode && IsTextType(type) && Utf16ToUtf8(value.data, 0, narrow)) value.data = narrow;
        return true;
    }
    return false;
}

Key& NamedKey(Hive& hive, const std::string& path) {
    Key& key = hive[Lower(path)];
    if (key.path.empty()) key.path = path;
    return key;
}

void RemoveTree(Hive& hive, const std::string& path) {
    const std::string lower = Lower(path);
    hive.erase(lower);
    const std::string prefix = lower + '\\';
    for (auto it = hive.lower_bound(prefix); it != hive.end() && it->first.rfind(prefix, 0) == 0;)
        it = hive.erase(it);
}

}  // namespace

bool ValidKeyPath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\') return false;
    if (path.find("\\\\") != std::string_view::npos) return false;
    return std::none_of(path.begin(), path.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

namespace {

// Hands out the lines of a text one at a time, without a CR before the LF,
// so no more than one line is held apart from the text itself.
class Lines {
public:
    explicit Lines(std::string_view text) : mText(text) {}
    bool Next(std::string_view& line) {
        if (mPos > mText.size()) return false;
        auto end = mText.find('\n', mPos);
        if (end == std::string_view::npos) end = mText.size();
        line = mText.substr(mPos, end - mPos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        mPos = end + 1;
        return true;
    }

private:
    std::string_view mText;
    std::size_t mPos = 0;
};

}  // namespace

bool Parse(const std::string& bytes, Hive& hive) {
    hive.clear();
    if (bytes.size() > kMaxFileBytes) return false;
    std::string converted;
    std::string_view text = bytes;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (!Utf16ToUtf8(bytes, 2, converted)) return false;
        text = converted;
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.remove_prefix(3);
    }
    if (text.find('\0') != std::string_view::npos) return false;

    Lines lines(text);
    std::string_view line;
    std::string_view header;
    while (lines.Next(line)) {
        header = Trim(line);
        if (!header.empty()) break;
    }
    bool unicode = false;
    if (header == "Windows Registry Editor Version 5.00") {
        unicode = true;
    } else if (header != "REGEDIT4") {
        return false;
    }

    Key* current = nullptr;
    std::string data;
    while (lines.Next(line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            const auto close = line.rfind(']');
            if (close == std::string_view::npos || !Trim(line.substr(close + 1)).empty())
                return false;
            std::string_view path = line.substr(1, close - 1);
            if (!path.empty() && path[0] == '-') {
                path.remove_prefix(1);
                if (!ValidKeyPath(path)) return false;
                RemoveTree(hive, std::string(path));
                current = nullptr;
                continue;
            }
            if (!ValidKeyPath(path)) return false;
            current = &NamedKey(hive, std::string(path));
            continue;
        }
        if (current == nullptr) return false;

        Value value;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, value.name)) {
            return false;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return false;
        data.assign(Trim(line.substr(pos + 1)));
        // Long hex data continues on the next lines after a trailing backslash.
        while (!data.empty() && data.back() == '\\' && Lower(data.substr(0, 3)) == "hex") {
            data.pop_back();
            std::string_view more;
            if (!lines.Next(more) || Trim(more).empty()) return false;  // cut short
            data += Trim(more);
        }
        bool remove = false;
        if (!ParseData(data, unicode, value, remove)) return false;
        const std::string nameKey = Lower(value.name);
        if (remove) {
            current->values.erase(nameKey);
        } else {
            current->values[nameKey] = std::move(value);
        }
    }
    return true;
}

namespace {

// Text a quoted value can hold: no control characters; beyond ASCII only in
// a Unicode (version 5) file, which regedit reads as UTF-16.
bool Printable(const std::string& s, bool unicode) {
    return std::all_of(s.begin(), s.end(), [unicode](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u != 0x7F && (u < 0x80 || unicode);
    });
}

// UTF-8 to UTF-16LE bytes; false for anything that is not well-formed UTF-8.
bool Utf8ToUtf16(const std::string& in, std::string& out) {
    out.clear();
    auto unit = [&out](std::uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < in.size();) {
        const auto lead = static_cast<unsigned char>(in[i]);
        std::uint32_t cp = lead;
        std::size_t extra = 0;
        if (lead >= 0xF0 && lead <= 0xF4) {
            cp = lead & 0x07, extra = 3;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            cp = lead & 0x0F, extra = 2;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            cp = lead & 0x1F, extra = 1;
        } else if (lead >= 0x80) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if (i + k >= in.size()) return false;
            const auto next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        // No overlong forms, no surrogates, nothing past U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 + (cp >> 10));
            unit(0xDC00 + (cp & 0x3FF));
        } else {
            unit(cp);
        }
        i += extra + 1;
    }
    return true;
}

bool Ascii(const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c & 0x80; });
}

// Regedit reads a REGEDIT4 file in the system's ANSI code page, so text
// beyond ASCII (names, paths, text values, kept here as UTF-8) would come
// out garbled: such a hive is written as a Unicode (version 5) file, when
// all of that text is well-formed UTF-8.
bool NeedsUnicode(const Hive& hive) {
    bool beyondAscii = false;
    std::string scratch;
    auto check = [&](const std::string& text) {
        if (Ascii(text)) return true;
        beyondAscii = true;
        return Utf8ToUtf16(text, scratch);
    };
    for (const auto& entry : hive) {
        if (!check(entry.second.path)) return false;
        for (const auto& named : entry.second.values) {
            const Value& v = named.second;
            if (!check(v.name) || (IsTextType(v.type) && !check(v.data))) return false;
        }
    }
    return beyondAscii;
}

// Escapes what the reader unescapes, so every name it accepts is written
// back as a line it reads the same.
std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\0': out += "\\0"; break;
            default: out += c;
        }
    }
    return out + '"';
}

// Lower-case hex, `digits` wide with leading zeros.
std::string Hex(std::uint32_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0 && value != 0; --i, value >>= 4) out[i] = kDigits[value & 15];
    return out;
}

std::string HexData(const std::string& data, std::size_t prefixLength) {
    std::string out;
    out.reserve(data.size() * 3 + data.size() / 24 * 5);
    std::size_t column = prefixLength;
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += Hex(static_cast<unsigned char>(data[i]), 2);
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > 75) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

}  // namespace

std::string Serialize(const Hive& hive) {
    const bool unicode = NeedsUnicode(hive);
    std::string out = unicode ? "Windows Registry Editor Version 5.00\r\n" : "REGEDIT4\r\n";
    for (const auto& entry : hive) {
        const Key& key = entry.second;
        out += "\r\n[" + key.path + "]\r\n";
        for (const auto& named : key.values) {
            const Value& v = named.second;
            std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
            const std::string body =
                v.data.empty() ? std::string() : v.data.substr(0, v.data.size() - 1);
            if (v.type == 1 && !v.data.empty() && v.data.back() == '\0' &&
                Printable(body, unicode)) {
                line += Quote(body);
            } else if (v.type == 4 && v.data.size() == 4) {
                std::uint32_t d = 0;
                for (int b = 3; b >= 0; --b) d = (d << 8) | static_cast<unsigned char>(v.data[b]);
                line += "dword:" + Hex(d, 8);
            } else {
                if (v.type == 3) {
                    line += "hex:";
                } else {
                    std::string type = Hex(v.type, 8);
                    type.erase(0, std::min(type.find_first_not_of('0'), type.size() - 1));
                    line += "hex(" + type + "):";
                }
                std::string bytes;
                if (!(unicode && IsTextType(v.type) && Utf8ToUtf16(v.data, bytes))) bytes = v.data;
                line += HexData(bytes, line.size());
            }
            out += line + "\r\n";
        }
    }
    if (!unicode) return out;
    std::string wide = "\xFF\xFE";
    std::string converted;
    Utf8ToUtf16(out, converted);  // well-formed: NeedsUnicode checked every part
    return wide + converted;
}

}  // namespace tickwell::regfile
