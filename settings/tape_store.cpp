#include "tape_store.h"

#include <utility>

#include "numbers.h"
#include "registry.h"

namespace tickwell {

bool ReadTapeLines(const std::string& bytes, std::vector<std::string>& lines) {
    lines.clear();
    if (bytes.size() > FileTapeStore::kMaxBytes || !ValidUtf8(bytes)) return false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();  // edited in Notepad
        for (const char c : line)
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
        if (lines.size() == FileTapeStore::kMaxLines) return false;
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

FileTapeStore::FileTapeStore(std::string path)
    : mPath(std::move(path)), mLockWait(std::chrono::seconds(2)) {}

ITapeStore::Loaded FileTapeStore::Load(std::vector<std::string>& lines, std::string& date,
                                       std::string& problem) {
    lines.clear();
    settingsfile::Stamp stamp;
    std::string bytes;
    const settingsfile::State state =
        settingsfile::Read(mPath, mFolder, nullptr, stamp, bytes, problem);
    if (state == settingsfile::State::Absent && problem.empty()) return Loaded::Absent;
    if (state != settingsfile::State::Ok || !ReadTapeLines(bytes, lines)) {
        if (problem.empty())
            problem = "the kept tape " + mPath + " is not a tape of at most " +
                      std::to_string(kMaxLines) + " lines and 1 MiB of text";
        lines.clear();
        return Loaded::Refused;
    }
    date = settingsfile::StampDay(stamp);
    return Loaded::Ok;
}

long FileTapeStore::Save(const std::string& text, std::string& problem) {
    return settingsfile::Replace(
        mPath, mFolder, mLockWait,
        [&](settingsfile::State state, const std::string&, settingsfile::Rewrite& rewrite) {
            // Whatever stands there that is no plain file stays as it is.
            if (state == settingsfile::State::Corrupt) {
                problem = "the kept tape " + mPath + " is not a plain file, so it is left as it is";
                return kErrorAccessDenied;
            }
            rewrite.write = true;
            rewrite.contents = text;
            return kErrorSuccess;
        },
        problem);
}

long FileTapeStore::Remove(std::string& problem) {
    return settingsfile::Remove(mPath, mFolder, mLockWait, problem);
}

}  // namespace tickwell
