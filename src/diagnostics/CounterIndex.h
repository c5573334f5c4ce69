#pragma once

// The counters of one kind in a `ServiceDiagnostics`, by name. Internal to the
// library.

#include <tarnwick/core/ServiceException.h>

#include "diagnostics/Report.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarnwick::Diagnostics::Detail {

/// Owns counters in name order and finds them without a lock: counting is on
/// the callers' hot paths, and threads that count through one diagnostics
/// object must not serialise on its map.
///
/// Counters are only added (under the owner's mutex) and released all at once
/// at the end. Each addition is published into an insert-only hash table by a
/// release store that readers pair with acquire loads. Growing builds a new
/// table and keeps the old ones, which readers may still walk, until the end;
/// their sizes grow geometrically, so they cost at most as much as the last.
template <class Counter> class CounterIndex {
public:
    /// The table starts with this many buckets (a power of two) and grows by
    /// `kGrowth` times once it holds more than `kMaxLoad` counters a bucket.
    static constexpr std::size_t kInitialBuckets = 16;
    static constexpr std::size_t kMaxLoad = 2;
    static constexpr std::size_t kGrowth = 4;

    CounterIndex() { m_Table.store(NewTable(kInitialBuckets), std::memory_order_relaxed); }
    CounterIndex(CounterIndex const&) = delete;
    CounterIndex& operator=(CounterIndex const&) = delete;
    ~CounterIndex()
    {
        std::optional<ServiceException> report;
        ReleaseAll(report);
        if (report) {
            ReportToStandardError(*report);
        }
    }

    /// A 64-bit hash of the code units, sixteen bytes a step in two
    /// independent lanes. Each step folds the high half of its product back
    /// into the low bits, and a final avalanche spreads every input bit over
    /// the low bits the buckets are chosen by, so that names differing in one
    /// unit (sequential numbers) spread like random ones.
    static std::size_t Hash(std::u16string_view name) noexcept
    {
        auto const* bytes = reinterpret_cast<unsigned char const*>(name.data());
        std::size_t const size = name.size() * sizeof(char16_t);
        std::uint64_t first = 0x9E3779B97F4A7C15ULL ^ size;
        std::uint64_t second = 0xC2B2AE3D27D4EB4FULL;
        std::size_t offset = 0;
        for (; offset + 16 <= size; offset += 16) {
            first = Step(first, Word(bytes + offset));
            second = Step(second, Word(bytes + offset + 8));
        }
        if (offset < size) {
            // The last eight bytes, overlapping those before (the length is in
            // the hash already); a shorter name unit by unit.
            std::uint64_t last = 0;
            if (size >= sizeof(std::uint64_t)) {
                last = Word(bytes + size - sizeof(std::uint64_t));
                if (size - offset > sizeof(std::uint64_t)) {
                    second = Step(second, Word(bytes + offset));
                }
            } else {
                for (char16_t const unit : name) {
                    last = (last << 16) | unit;
                }
            }
            first = Step(first, last);
        }
        // Two lanes into one, then the finaliser of MurmurHash3, whose
        // avalanche reaches every bit.
        std::uint64_t hash = first ^ ((second << 32) | (second >> 32));
        hash ^= hash >> 33;
        hash *= 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 33;
        hash *= 0xC4CEB9FE1A85EC53ULL;
        hash ^= hash >> 33;
        return static_cast<std::size_t>(hash);
    }

    /// The counter of that name, or null; any thread, no lock.
    Counter* Find(std::u16string_view name, std::size_t hash) const noexcept
    {
        Table const* const table = m_Table.load(std::memory_order_acquire);
        Node const* node = table->m_Buckets[hash & table->m_Mask].load(std::memory_order_acquire);
        for (; node != nullptr; node = node->m_Next) {
            if (node->m_Hash == hash && node->m_Size == name.size()
                && std::memcmp(node->m_Name, name.data(), name.size() * sizeof(char16_t)) == 0) {
                return node->m_Counter;
            }
        }
        return nullptr;
    }

    /// Finds or creates the counter; the caller holds the owner's mutex, which
    /// serialises every call of this.
    Counter& FindOrCreate(std::u16string const& name, std::size_t hash)
    {
        if (Counter* const existing = Find(name, hash)) {
            return *existing;
        }
        auto const entry = m_Counters.try_emplace(name).first;
        if (!entry->second) {
            entry->second = std::make_unique<Counter>(name);
        }
        Table* const table = m_Table.load(std::memory_order_relaxed);
        if (m_Counters.size() > table->m_Buckets.size() * kMaxLoad) {
            Grow(table->m_Buckets.size() * kGrowth);
        } else {
            Publish(*table, entry->first, hash, entry->second.get());
        }
        return *entry->second;
    }

    /// Appends every counter with its name, in name order; the caller holds the
    /// owner's mutex. Both stay valid until `ReleaseAll`: counters are never
    /// removed before, and the names are the keys of a node-based map.
    template <class Entry> void List(std::vector<Entry>& out) const
    {
        for (auto const& [name, counter] : m_Counters) {
            out.push_back(Entry {&name, counter.get()});
        }
    }

    /// Deletes every counter in name order, keeping the first report of a
    /// throwing destruction for the caller. No other thread may use the index.
    void ReleaseAll(std::optional<ServiceException>& firstReport) noexcept
    {
        for (auto& entry : m_Counters) {
            ReleaseOwned(entry.second.release(), firstReport);
        }
        m_Counters.clear();
        for (auto const& table : m_Tables) {
            for (auto& bucket : table->m_Buckets) {
                bucket.store(nullptr, std::memory_order_relaxed);
            }
        }
    }

private:
    static std::uint64_t Word(unsigned char const* bytes) noexcept
    {
        std::uint64_t word;
        std::memcpy(&word, bytes, sizeof(word));
        return word;
    }

    static std::uint64_t Step(std::uint64_t hash, std::uint64_t word) noexcept
    {
        std::uint64_t const mixed = (hash ^ word) * 0xBF58476D1CE4E5B9ULL;
        return mixed ^ (mixed >> 31);
    }

    struct Node {
        std::size_t m_Hash;
        std::size_t m_Size;
        char16_t const* m_Name; // the text of the key in `m_Counters`, which never moves
        Counter* m_Counter;
        Node const* m_Next;
    };

    struct Table {
        explicit Table(std::size_t buckets)
            : m_Mask(buckets - 1)
            , m_Buckets(buckets)
        { }
        std::size_t m_Mask;
        std::vector<std::atomic<Node const*>> m_Buckets;
        std::deque<Node> m_Nodes; // stable addresses
    };

    Table* NewTable(std::size_t buckets)
    {
        m_Tables.push_back(std::make_unique<Table>(buckets));
        return m_Tables.back().get();
    }

    static void Publish(Table& table, std::u16string const& name, std::size_t hash, Counter* counter)
    {
        std::atomic<Node const*>& bucket = table.m_Buckets[hash & table.m_Mask];
        Node const& node = table.m_Nodes.emplace_back(
            Node {hash, name.size(), name.data(), counter, bucket.load(std::memory_order_relaxed)});
        bucket.store(&node, std::memory_order_release);
    }

    void Grow(std::size_t buckets)
    {
        Table* const table = NewTable(buckets);
        for (auto const& [name, counter] : m_Counters) {
            Publish(*table, name, Hash(name), counter.get());
        }
        m_Table.store(table, std::memory_order_release);
    }

    std::map<std::u16string, std::unique_ptr<Counter>> m_Counters;
    std::vector<std::unique_ptr<Table>> m_Tables; // the current one last
    std::atomic<Table*> m_Table;
};

} // namespace Tarnwick::Diagnostics::Detail
