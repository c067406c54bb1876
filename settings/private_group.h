// Whether a folder's group is the user's own (POSIX): a group-writable
// folder on the settings path is safe only then. Asked of the account
// database, which may be large (a directory service) and may fail; any
// answer short of a finished scan counts as "not private".
#pragma once

#include <sys/types.h>

#include <map>
#include <vector>

struct group;
struct passwd;

namespace tickwell::settingsfile {

// The account database as the check reads it (getpwuid_r, getgrgid_r,
// setpwent, getpwent_r, endpwent); each call returns 0 or an errno value,
// ERANGE when `buffer` is too small for the entry (which is then read again).
class AccountDatabase {
public:
    virtual ~AccountDatabase() = default;
    virtual int User(uid_t uid, passwd& entry, std::vector<char>& buffer, passwd*& found) = 0;
    virtual int Group(gid_t gid, group& entry, std::vector<char>& buffer, group*& found) = 0;
    virtual void Rewind() = 0;
    // 0 with `found` null at the end.
    virtual int NextUser(passwd& entry, std::vector<char>& buffer, passwd*& found) = 0;
    virtual void Close() = 0;
};

// The largest entry buffer tried; an entry larger than this fails the check.
constexpr std::size_t kLargestAccountEntry = 1 << 20;

// A group of `me`'s own: their primary group, named after them, with no
// other members, listed or by being another user's primary group. Each
// group is asked about once, and the answer kept.
class GroupCheck {
public:
    explicit GroupCheck(AccountDatabase& accounts) : mAccounts(accounts) {}
    bool Private(gid_t gid, uid_t me);

private:
    bool Ask(gid_t gid, uid_t me);
    AccountDatabase& mAccounts;
    std::map<std::pair<gid_t, uid_t>, bool> mKnown;
};

// The system's database, asked once per run for each group.
bool PrivateGroup(gid_t gid);

}  // namespace tickwell::settingsfile
