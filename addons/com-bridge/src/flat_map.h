// An ordered map over a sorted vector. std::map's tree code lives in the
// compiled part of libstdc++, which the Windows build does not link; the
// maps here are small and mostly read.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

namespace com_bridge {

template <typename Key, typename Value>
class FlatMap {
 public:
  using Entry = std::pair<Key, Value>;
  using iterator = typename std::vector<Entry>::iterator;
  using const_iterator = typename std::vector<Entry>::const_iterator;

  iterator begin() { return entries_.begin(); }
  iterator end() { return entries_.end(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }
  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }

  iterator find(const Key& key) {
    iterator at = LowerBound(key);
    return at != entries_.end() && !(key < at->first) ? at : entries_.end();
  }
  const_iterator find(const Key& key) const { return const_cast<FlatMap*>(this)->find(key); }

  // The value under key, inserted default-made where the order puts it.
  Value& operator[](const Key& key) {
    iterator at = LowerBound(key);
    if (at == entries_.end() || key < at->first) at = entries_.emplace(at, key, Value());
    return at->second;
  }

  void erase(iterator at) { entries_.erase(at); }
  void swap(FlatMap& other) { entries_.swap(other.entries_); }

 private:
  iterator LowerBound(const Key& key) {
    return std::lower_bound(entries_.begin(), entries_.end(), key,
                            [](const Entry& entry, const Key& k) { return entry.first < k; });
  }

  std::vector<Entry> entries_;
};

}  // namespace com_bridge
