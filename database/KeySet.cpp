#include "KeySet.h"

#include <algorithm>

namespace vorlik {

namespace {

std::size_t SlotOf(std::uint64_t key, std::size_t slots)
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 20) & (slots - 1);
}

}  // namespace

bool KeySet::Contains(std::uint64_t key) const
{
    if (key == 0)
        return zero_;
    if (slots_.empty())
        return false;
    for (std::size_t at = SlotOf(key, slots_.size());; at = (at + 1) & (slots_.size() - 1)) {
        if (slots_[at] == key)
            return true;
        if (slots_[at] == 0)
            return false;
    }
}

void KeySet::Insert(std::uint64_t key)
{
    if (key == 0) {
        zero_ = true;
        return;
    }
    if ((count_ + 1) * 2 > slots_.size()) {  // at most half full, so a look stays short
        std::vector<std::uint64_t> old(std::max<std::size_t>(slots_.size() * 2, 1024), 0);
        old.swap(slots_);
        count_ = 0;
        for (const std::uint64_t kept : old)
            if (kept != 0)
                Insert(kept);
    }
    std::size_t at = SlotOf(key, slots_.size());
    while (slots_[at] != 0 && slots_[at] != key)
        at = (at + 1) & (slots_.size() - 1);
    count_ += slots_[at] == 0;
    slots_[at] = key;
}

void KeySet::Clear()
{
    std::vector<std::uint64_t>().swap(slots_);
    count_ = 0;
    zero_ = false;
}

}  // namespace vorlik
