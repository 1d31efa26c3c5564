#pragma once
// The component base of the driver's model objects, and the list the host
// keeps them in.
//
// Every component has a fixed name, takes every internal notification (the
// record's result word is never read, so Notify returns nothing) and may
// publish settings, which the project option file streams section by
// section in the value encoding of core/value_stream.hpp.
//
// Notification 9 (a table was cleared) is special: the tables send it from
// Clear, synchronously, possibly in the middle of a load or a command.
// Components that keep pointers to symbol or line records say so with
// HoldsTableRecords and receive it before every other component, so that no
// code runs while such a pointer dangles.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/target_interfaces.hpp"

namespace tarvex {

class ValueReader;
class ValueWriter;

class TComponent {
public:
    virtual ~TComponent() = default;

    // The name the host knows the component by ("SymbolTabelle").
    virtual std::string_view Name() const = 0;
    // One internal notification; data is the sender's pointer (often the
    // sending component), compared, never owned.
    virtual void Notify(std::uint8_t code, const void* data) = 0;
    // True for components that keep pointers to records of the symbol or
    // line-number table: they must drop them on notification 9 first.
    virtual bool HoldsTableRecords() const { return false; }

    // The published settings, one section of values. Nothing by default.
    virtual void WriteProperties(ValueWriter& writer) const;
    // Reads what WriteProperties wrote; version is the format version of the
    // file the section comes from.
    virtual void ReadProperties(ValueReader& reader, std::int32_t version);

protected:
    TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
};

// The components in the order of their creation; the list owns none of them.
// It is also the notifier the tables can be given: send broadcasts.
//
// A receiver may send further notifications (each is delivered completely,
// depth first) and may add or remove components while a broadcast runs: a
// removed component gets nothing more, an added one only later broadcasts.
class TComponentList final : public INotifier {
public:
    TComponentList() = default;
    TComponentList(const TComponentList&) = delete;
    TComponentList& operator=(const TComponentList&) = delete;

    // Appends; raises EVokWinValueError when the name is empty or taken.
    void Add(TComponent& component);
    // Forgets the component; nothing when it is not in the list.
    void Remove(const TComponent& component);

    std::size_t Count() const;
    // In order of addition; nil beyond the end.
    TComponent* Items(std::size_t i) const;
    TComponent* Find(std::string_view name) const;
    std::vector<std::string_view> Names() const;

    // Every component in order, except that for notification 9 those holding
    // table records come first. An exception of a receiver ends the broadcast
    // and reaches the sender; for notification 9 only after every holder had
    // it, so that none keeps a dangling pointer.
    void Broadcast(std::uint8_t code, const void* data);
    void send(std::uint8_t code, const void* data) override { Broadcast(code, data); }

    // The settings sections of the named components, in the order given (the
    // option file's order, not the creation order). An unknown name raises
    // EVokWinValueError before anything is written or read.
    void WriteProperties(ValueWriter& writer, std::span<const std::string_view> names) const;
    void ReadProperties(ValueReader& reader, std::span<const std::string_view> names, std::int32_t version);

private:
    std::vector<TComponent*> Resolve(std::span<const std::string_view> names) const;
    void Compact();

    // Removal during a broadcast leaves a null slot, so that the indices of
    // the running loops stay right; the slots go when the last one ends.
    std::vector<TComponent*> items_;
    int depth_ = 0;
};

}  // namespace tarvex
