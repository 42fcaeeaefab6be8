// A conversion dictionary: keys and their default values, UTF-8, in the
// order the dictionary file lists them. Stored as two byte pools with end
// offsets, so a dictionary of fifty thousand phrases is four allocations.
//
// Example:
//   Dictionary d;
//   d.Add("头发", "頭髮");
//   d.key(0) == "头发", d.value(0) == "頭髮"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folian::charset {

class Dictionary {
 public:
  std::size_t size() const { return key_ends_.size(); }
  bool empty() const { return key_ends_.empty(); }
  std::string_view key(std::size_t i) const { return Slice(keys_, key_ends_, i); }
  std::string_view value(std::size_t i) const { return Slice(values_, value_ends_, i); }

  void Add(std::string_view key, std::string_view value) {
    keys_.append(key);
    key_ends_.push_back(static_cast<std::uint32_t>(keys_.size()));
    values_.append(value);
    value_ends_.push_back(static_cast<std::uint32_t>(values_.size()));
  }
  void Reserve(std::size_t entries) {
    key_ends_.reserve(entries);
    value_ends_.reserve(entries);
  }
  // Takes the keys as a pool already laid out (the trie reader's output).
  void SetKeys(std::string keys, std::vector<std::uint32_t> ends) {
    keys_ = std::move(keys);
    key_ends_ = std::move(ends);
  }
  void AddValue(std::string_view value) {
    values_.append(value);
    value_ends_.push_back(static_cast<std::uint32_t>(values_.size()));
  }
  std::size_t pool_bytes() const { return keys_.size() + values_.size(); }

 private:
  static std::string_view Slice(const std::string& pool, const std::vector<std::uint32_t>& ends,
                                std::size_t i) {
    const std::size_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(pool).substr(begin, ends[i] - begin);
  }

  std::string keys_;
  std::vector<std::uint32_t> key_ends_;
  std::string values_;
  std::vector<std::uint32_t> value_ends_;
};

}  // namespace folian::charset
