// The tape kept between runs, when the user asks for it: its lines as UTF-8
// text in a file beside the settings, read and replaced under the settings
// file's rules (the same folder walk, link and owner checks, lock and atomic
// replacement).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "settings_file.h"

namespace tickwell {

class ITapeStore {
public:
    virtual ~ITapeStore() = default;
    enum class Loaded { Ok, Absent, Refused };
    // The kept lines, oldest first, and the day the file was last written
    // ("2026-12-09"). Refused: the file could not be read, or is larger than
    // a tape; `problem` says why and the file is left as it is.
    virtual Loaded Load(std::vector<std::string>& lines, std::string& date,
                        std::string& problem) = 0;
    // Replaces the file with `text` (lines ending in "\n"); a Win32 status.
    virtual long Save(const std::string& text, std::string& problem) = 0;
    // Deletes the file; success when there is none.
    virtual long Remove(std::string& problem) = 0;
    // Where the file is, as the user should be told.
    virtual std::string Where() const = 0;
};

class FileTapeStore : public ITapeStore {
public:
    // A tape is at most this long; a larger file is no tape of ours.
    static constexpr std::size_t kMaxLines = 1000;
    static constexpr std::size_t kMaxBytes = 1u << 20;

    explicit FileTapeStore(std::string path);
    const std::string& FilePath() const { return mPath; }

    Loaded Load(std::vector<std::string>& lines, std::string& date, std::string& problem) override;
    long Save(const std::string& text, std::string& problem) override;
    long Remove(std::string& problem) override;
    std::string Where() const override { return mPath; }

private:
    std::string mPath;
    settingsfile::FolderCache mFolder;
    settingsfile::LockWait mLockWait;
};

// Splits a kept tape into its lines; false when it is no text a tape writes
// (not UTF-8, control characters, too many lines).
bool ReadTapeLines(const std::string& bytes, std::vector<std::string>& lines);

// Where this platform keeps the tape: beside the settings file on Linux; on
// Windows in %LOCALAPPDATA%\Tickwell, or beside a portable copy.
std::unique_ptr<ITapeStore> MakeUserTapeStore();

}  // namespace tickwell
