#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tarnwick::DataTypes {

/// An ordered list of any-type wrappers. It owns them (and so their wrapped
/// nodes); copies are deep.
class TARNWICK_EXPORT AnyTypeSequenceType : public ServiceType {
public:
    /// The owned wrappers, in order.
    using Items = std::vector<AnyTypeServiceType*>;
    /// Iterators over the wrapper pointers.
    /// @{
    using Iterator = Items::iterator;
    using ConstIterator = Items::const_iterator;
    /// @}

    /// An empty sequence named `name`.
    AnyTypeSequenceType(std::u16string const& name);
    /// Deep copies of the other's wrappers, and its name.
    AnyTypeSequenceType(AnyTypeSequenceType const& other);
    /// Destroys the wrappers held, then takes deep copies of the other's; self-assignment is a no-op.
    AnyTypeSequenceType& operator=(AnyTypeSequenceType const& other);
    /// Takes the wrappers and the name over without copying them; the source is
    /// left without items and with the empty name.
    AnyTypeSequenceType(AnyTypeSequenceType&& other) noexcept;
    /// Destroys the wrappers held, then takes the other's over as the move constructor does.
    AnyTypeSequenceType& operator=(AnyTypeSequenceType&& other) noexcept;
    ~AnyTypeSequenceType() override;

    /// Appends `item` and takes ownership of it (even when appending fails); a null item is ignored.
    void Add(AnyTypeServiceType* item);
    /// `Add` of an owning pointer.
    void Add(std::unique_ptr<AnyTypeServiceType> item);

    /// Iterators over the stored wrapper pointers, first to last.
    /// @{
    Iterator BeginIterator();
    Iterator EndIterator();
    ConstIterator BeginIterator() const;
    ConstIterator EndIterator() const;
    /// @}
    /// For range-for: `for (AnyTypeServiceType* item : sequence)`.
    Iterator begin() noexcept { return m_Items.begin(); }
    /// The past-the-end iterator.
    Iterator end() noexcept { return m_Items.end(); }
    /// The first iterator (read-only).
    ConstIterator begin() const noexcept { return m_Items.cbegin(); }
    /// The past-the-end iterator (read-only).
    ConstIterator end() const noexcept { return m_Items.cend(); }

    /// ANY_TYPE_SEQUENCE.
    ParamType GetType() const override;
    /// Always false.
    bool IsLeaf() const override;
    /// Destroys and removes all wrappers; the name stays.
    void Clear() override;
    /// The number of wrappers.
    std::uint32_t Size() const override;
    /// A new deep copy, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to an any-type sequence.
    std::unique_ptr<AnyTypeSequenceType> Clone() const;

private:
    // Copies and destroys the owned nodes of deep trees without recursion.
    friend struct Detail::TreeAccess;

    Items m_Items;
};

} // namespace Tarnwick::DataTypes
