#include "private_group.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace tickwell::settingsfile {

namespace {

// Calls `ask` with a buffer that grows on ERANGE, up to the largest entry.
template <typename Ask>
int Growing(std::vector<char>& buffer, Ask ask) {
    for (;;) {
        const int error = ask();
        if (error != ERANGE) return error;
        if (buffer.size() >= kLargestAccountEntry) return ERANGE;
        buffer.resize(buffer.size() * 2);
    }
}

class SystemAccounts : public AccountDatabase {
public:
    int User(uid_t uid, passwd& entry, std::vector<char>& buffer, passwd*& found) override {
        return getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    }
    int Group(gid_t gid, group& entry, std::vector<char>& buffer, group*& found) override {
        return getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
    }
    void Rewind() override { setpwent(); }
    int NextUser(passwd& entry, std::vector<char>& buffer, passwd*& found) override {
        const int error = getpwent_r(&entry, buffer.data(), buffer.size(), &found);
        return error == ENOENT ? 0 : error;  // glibc's end of the database
    }
    void Close() override { endpwent(); }
};

}  // namespace

bool GroupCheck::Private(gid_t gid, uid_t me) {
    const auto key = std::make_pair(gid, me);
    const auto known = mKnown.find(key);
    if (known != mKnown.end()) return known->second;
    const bool answer = Ask(gid, me);
    mKnown.emplace(key, answer);
    return answer;
}

bool GroupCheck::Ask(gid_t gid, uid_t me) {
    std::vector<char> buffer(16384);
    passwd pw{}, *user = nullptr;
    if (Growing(buffer, [&] { return mAccounts.User(me, pw, buffer, user); }) != 0 || !user ||
        user->pw_gid != gid)
        return false;
    const std::string name = user->pw_name ? user->pw_name : "";
    group gr{}, *found = nullptr;
    std::vector<char> groupBuffer(16384);
    if (Growing(groupBuffer, [&] { return mAccounts.Group(gid, gr, groupBuffer, found); }) != 0 ||
        !found || !found->gr_name || name != found->gr_name)
        return false;
    for (char** member = found->gr_mem; member && *member; ++member)
        if (name != *member) return false;
    // Users whose primary group it is are not listed as its members: every
    // account is read, and a scan that cannot finish says "not private".
    mAccounts.Rewind();
    bool finished = false, shared = false;
    for (;;) {
        passwd other{}, *next = nullptr;
        if (Growing(buffer, [&] { return mAccounts.NextUser(other, buffer, next); }) != 0) break;
        if (!next) {
            finished = true;
            break;
        }
        if (next->pw_gid == gid && next->pw_uid != me) {
            shared = true;
            break;
        }
    }
    mAccounts.Close();
    return finished && !shared;
}

bool PrivateGroup(gid_t gid) {
    static SystemAccounts accounts;
    static GroupCheck check(accounts);
    return check.Private(gid, geteuid());
}

}  // namespace tickwell::settingsfile
