#pragma once
// The users a read of a register adds: one for each reservation's user who
// is none, in the order the reservations first name them.
#include <string>
#include <string_view>

#include "core/doc/nameset.h"
#include "core/doc/records.h"

// nameAt(i) is the user of the i-th of n reservations; the names must stay
// where they are while this runs.
template <class NameAt>
void AddMissingUsers(UserArray* users, size_t n, NameAt nameAt) {
    // Views of the names: the records stay where they are while users are added.
    NameSet known(users->size() + 16);
    for (const auto& u : *users) known.Insert(u->m_strName);
    // The table is out of the cache while the records go by: each name's key
    // is worked out some records ahead, its slot fetched, and kept till then.
    constexpr size_t kAhead = 8;
    NameSet::Key ahead[kAhead];
    for (size_t i = 0; i < n && i < kAhead; ++i) ahead[i] = NameSet::Key(nameAt(i));
    for (size_t i = 0; i < n; ++i) {
        const NameSet::Key key = ahead[i % kAhead];
        if (i + kAhead < n) {
            ahead[i % kAhead] = NameSet::Key(nameAt(i + kAhead));
            known.Prefetch(ahead[i % kAhead]);
        }
        const std::string& name = nameAt(i);
        if (name.empty() || known.Contains(key, name) || !known.Insert(name)) continue;
        users->push_back(MissingUser(name));
    }
}
