#pragma once
#include <cstddef>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace kx::db {

// Prepared statements by cache key, least recently used dropped first.
// `Handle` is the engine's prepared statement; `release` frees an evicted one.
template <typename Handle>
class StatementCache {
public:
    using Release = std::function<void(Handle&)>;

    StatementCache(std::size_t capacity, Release release) : capacity_(capacity), release_(std::move(release)) {}
    ~StatementCache() { Clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The handle for key, now the most recently used; nullptr when absent.
    Handle* Find(std::string_view key) {
        auto it = index_.find(key);
        if (it == index_.end()) return nullptr;
        entries_.splice(entries_.begin(), entries_, it->second);
        return &it->second->second;
    }

    Handle& Insert(const std::string& key, Handle handle) {
        if (Handle* existing = Find(key)) {
            release_(*existing);
            *existing = std::move(handle);
            return *existing;
        }
        while (!entries_.empty() && entries_.size() >= capacity_) {
            release_(entries_.back().second);
            index_.erase(entries_.back().first);
            entries_.pop_back();
        }
        entries_.emplace_front(key, std::move(handle));
        index_.emplace(entries_.front().first, entries_.begin());
        return entries_.front().second;
    }

    // Drops every entry; `releaseHandles` false when the engine already lost them.
    void Clear(bool releaseHandles = true) {
        if (releaseHandles)
            for (auto& entry : entries_) release_(entry.second);
        index_.clear();
        entries_.clear();
    }

    std::size_t Size() const { return entries_.size(); }

private:
    using Entry = std::pair<std::string, Handle>;
    std::size_t capacity_;
    Release release_;
    std::list<Entry> entries_;  // the index keys view these strings
    std::unordered_map<std::string_view, typename std::list<Entry>::iterator> index_;
};

}  // namespace kx::db
