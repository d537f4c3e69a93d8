// A set of 64-bit keys in memory (games' fingerprints, positions' keys):
// open addressing, no allocation per key, at most half full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlik {

class KeySet {
public:
    bool Contains(std::uint64_t key) const;
    void Insert(std::uint64_t key);
    void Clear();

private:
    std::vector<std::uint64_t> slots_;  // 0 is an empty slot; the key 0 is kept aside
    std::size_t count_ = 0;
    bool zero_ = false;
};

}  // namespace vorlik
