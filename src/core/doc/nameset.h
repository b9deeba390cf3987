#pragma once
// A set of names for the passes that ask, for every reservation, whether its
// user is among the users. Open addressing; each slot holds the first 16
// bytes of its name, so that a lookup of a short name never reaches into the
// record the name lives in (that miss in the cache was the pass's cost).
// Longer names are finished from the record; they must outlive the set.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

class NameSet {
public:
    explicit NameSet(size_t expected) {
        size_t cap = 16;
        while (cap < expected + expected / 2) cap *= 2;
        slots_.resize(cap);
        data_.resize(cap);
    }

    // A name's hash and head, worked out once for a prefetch and a lookup.
    struct Key {
        uint32_t hash = 0;
        uint64_t w0 = 0, w1 = 0;
        Key() = default;
        explicit Key(std::string_view s) {
            char head[16] = {};
            std::memcpy(head, s.data(), s.size() < 16 ? s.size() : 16);
            std::memcpy(&w0, head, 8);
            std::memcpy(&w1, head + 8, 8);
            uint64_t h = (w0 ^ 0x9E3779B97F4A7C15ull) * 0xFF51AFD7ED558CCDull;
            h = (h ^ (h >> 32) ^ w1 ^ s.size()) * 0xC4CEB9FE1A85EC53ull;
            for (size_t i = 16; i < s.size(); ++i) h = (h ^ static_cast<unsigned char>(s[i])) * 0x100000001B3ull;
            hash = static_cast<uint32_t>(h ^ (h >> 31));
        }
    };

    bool Contains(std::string_view name) const { return Contains(Key(name), name); }
    bool Contains(const Key& k, std::string_view name) const {
        for (size_t i = k.hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot& s = slots_[i];
            if (!s.size) return false;
            if (Same(i, k, name)) return true;
        }
    }
    // Starts loading the slot a later lookup of name begins with.
    void Prefetch(std::string_view name) const { Prefetch(Key(name)); }
    void Prefetch(const Key& k) const { __builtin_prefetch(&slots_[k.hash & (slots_.size() - 1)]); }
    // False when the name was there already.
    bool Insert(std::string_view name) {
        if ((count_ + 1) * 3 > slots_.size() * 2) Rehash();
        const Key k(name);
        for (size_t i = k.hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            Slot& s = slots_[i];
            if (!s.size) {
                s = Slot{k.w0, k.w1, k.hash, static_cast<uint32_t>(name.size() + 1)};
                data_[i] = name.data();
                ++count_;
                return true;
            }
            if (Same(i, k, name)) return false;
        }
    }

private:
    // 24 bytes, so that the slots of 10,000 users stay in the cache.
    struct Slot {
        uint64_t w0 = 0, w1 = 0;  // the first 16 bytes, zero-padded
        uint32_t hash = 0;
        uint32_t size = 0;        // the name's size + 1; 0: a free slot
    };
    bool Same(size_t i, const Key& k, std::string_view name) const {
        const Slot& s = slots_[i];
        if (s.hash != k.hash || s.size != name.size() + 1 || s.w0 != k.w0 || s.w1 != k.w1) return false;
        return name.size() <= 16 || std::memcmp(data_[i] + 16, name.data() + 16, name.size() - 16) == 0;
    }
    void Rehash() {
        std::vector<Slot> old(slots_.size() * 2);
        std::vector<const char*> oldData(old.size());
        old.swap(slots_);
        oldData.swap(data_);
        count_ = 0;
        for (size_t i = 0; i < old.size(); ++i)
            if (old[i].size) Insert(std::string_view(oldData[i], old[i].size - 1));
    }

    std::vector<Slot> slots_;
    std::vector<const char*> data_;  // where each name lives; read for names over 16 bytes only
    size_t count_ = 0;
};
