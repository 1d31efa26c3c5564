#include "core/component.hpp"

#include <algorithm>
#include <exception>

#include "core/errors.hpp"
#include "core/messages.hpp"

namespace tarvex {

void TComponent::WriteProperties(ValueWriter&) const {}

void TComponent::ReadProperties(ValueReader&, std::int32_t) {}

void TComponentList::Add(TComponent& component) {
    const std::string_view name = component.Name();
    if (name.empty() || Find(name) != nullptr) throw EVokWinValueError(FmtLoadStr(211, name));
    items_.push_back(&component);
}

void TComponentList::Remove(const TComponent& component) {
    const auto it = std::find(items_.begin(), items_.end(), &component);
    if (it == items_.end()) return;
    if (depth_ > 0)
        *it = nullptr;
    else
        items_.erase(it);
}

void TComponentList::Compact() { std::erase(items_, nullptr); }

std::size_t TComponentList::Count() const {
    return static_cast<std::size_t>(std::count_if(items_.begin(), items_.end(), [](const TComponent* c) { return c; }));
}

TComponent* TComponentList::Items(std::size_t i) const {
    for (TComponent* c : items_) {
        if (c == nullptr) continue;
        if (i == 0) return c;
        --i;
    }
    return nullptr;
}

TComponent* TComponentList::Find(std::string_view name) const {
    for (TComponent* c : items_)
        if (c != nullptr && c->Name() == name) return c;
    return nullptr;
}

std::vector<std::string_view> TComponentList::Names() const {
    std::vector<std::string_view> names;
    for (const TComponent* c : items_)
        if (c != nullptr) names.push_back(c->Name());
    return names;
}

void TComponentList::Broadcast(std::uint8_t code, const void* data) {
    struct Depth {
        TComponentList& list;
        explicit Depth(TComponentList& l) : list(l) { ++list.depth_; }
        ~Depth() {
            if (--list.depth_ == 0) list.Compact();
        }
    } depth(*this);
    // Components added by a receiver join later broadcasts only. Slots are
    // re-read on every step: a receiver may have removed a later component.
    const std::size_t n = items_.size();
    const bool cleared = code == notify::TablesCleared;
    if (cleared) {
        // Every holder must drop its pointers, even when one of them raises.
        std::exception_ptr raised;
        for (std::size_t i = 0; i < n; ++i) {
            TComponent* c = items_[i];
            if (c == nullptr || !c->HoldsTableRecords()) continue;
            try {
                c->Notify(code, data);
            } catch (...) {
                if (!raised) raised = std::current_exception();
            }
        }
        if (raised) std::rethrow_exception(raised);
    }
    for (std::size_t i = 0; i < n; ++i) {
        TComponent* c = items_[i];
        if (c == nullptr || (cleared && c->HoldsTableRecords())) continue;
        c->Notify(code, data);
    }
}

std::vector<TComponent*> TComponentList::Resolve(std::span<const std::string_view> names) const {
    std::vector<TComponent*> sections;
    sections.reserve(names.size());
    for (const std::string_view name : names) {
        TComponent* c = Find(name);
        if (c == nullptr) throw EVokWinValueError(FmtLoadStr(211, name));
        sections.push_back(c);
    }
    return sections;
}

void TComponentList::WriteProperties(ValueWriter& writer, std::span<const std::string_view> names) const {
    for (const TComponent* c : Resolve(names)) c->WriteProperties(writer);
}

void TComponentList::ReadProperties(ValueReader& reader, std::span<const std::string_view> names,
                                    std::int32_t version) {
    for (TComponent* c : Resolve(names)) c->ReadProperties(reader, version);
}

}  // namespace tarvex
