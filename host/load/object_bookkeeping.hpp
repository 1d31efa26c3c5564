#pragma once
// What an object-file load keeps while it walks a file: the module and the
// scope (procedure) it is in, their numbers and names, the address ranges
// their code and lines cover, the type-list base of the file's type
// references and the nesting of OMF2 scope records. The object loaders
// (OMF, and the AVR and CDB conversions) share it so that modules and
// functions enter the symbol table the same way whatever the format.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bank_adressen.hpp"
#include "core/symbol_table.hpp"

namespace tarvex {

// Lowest and highest address seen. Until the first address comes, both are
// the default start (the program space's lowest address), so that a module
// without code still gets a range.
struct TObjectRange {
    bool pending = true;
    TBankAdresse start{};
    TBankAdresse end{};

    void Reset(const TBankAdresse& defaultStart) {
        pending = true;
        start = end = defaultStart;
    }
    // Offsets decide: code of one module may sit in the common area and in
    // a bank, and the range's bank is the one its first address brought.
    void Take(const TBankAdresse& first, const TBankAdresse& last) {
        if (pending) {
            pending = false;
            start = first;
            end = last;
            return;
        }
        if (first.offset < start.offset) start = first;
        if (last.offset > end.offset) end = last;
    }
};

struct TObjectBookkeeping {
    // Sixteen bits: a program with its run-time library passes 255 modules.
    std::uint16_t moduleCounter = 0;
    std::uint16_t module = 0;  // 0: no module open
    std::uint16_t scopeCounter = 0;
    std::uint16_t scope = 0;  // 0: no scope open
    std::string moduleName;
    std::string scopeName;
    TObjectRange moduleRange;
    TObjectRange scopeRange;
    // The open scope stands for the module file as a whole; it is entered
    // as the function the symbol table remembers as the current one.
    bool moduleFile = false;
    // Index in the type list that the file's first type record took; -1
    // until a type record sets it.
    std::int32_t typeBase = -1;
    // Depth of OMF2 scope records (blocks inside a function nest).
    std::int32_t nesting = 0;
    TBankAdresse defaultStart = UnbankedAdresse(0);

    void Clear(const TBankAdresse& start) {
        *this = TObjectBookkeeping{};
        defaultStart = start;
        moduleRange.Reset(start);
        scopeRange.Reset(start);
    }

    bool ModuleOpen() const { return module != 0; }
    bool ScopeOpen() const { return scope != 0; }

    void OpenModule(std::string_view name) {
        ++moduleCounter;
        if (moduleCounter == 0) moduleCounter = 1;
        module = moduleCounter;
        moduleName = name;
        moduleRange.Reset(defaultStart);
        // Function numbers count within their module.
        scopeCounter = 0;
    }

    // Enters the open module with its range; nullptr when none is open.
    TSymbol* CloseModule(TSymboltabelle& symbols, std::uint8_t form = 0) {
        if (!ModuleOpen()) return nullptr;
        TSymbol* s = symbols.AddModule(moduleName, module, moduleRange.start, moduleRange.end);
        s->form = form;
        module = 0;
        return s;
    }

    void OpenScope(std::string_view name, bool ofModuleFile = false) {
        ++scopeCounter;
        if (scopeCounter == 0) scopeCounter = 1;
        scope = scopeCounter;
        scopeName = name;
        moduleFile = ofModuleFile;
        scopeRange.Reset(defaultStart);
    }

    // Enters the open scope as a function of the current module, unless
    // `keep` is false (the loader drops scopes of banks it does not load).
    TSymbol* CloseScope(TSymboltabelle& symbols, std::uint8_t form = 0, bool keep = true) {
        if (!ScopeOpen()) return nullptr;
        TSymbol* s = nullptr;
        if (keep) {
            s = moduleFile ? symbols.AddFunctionRange(scopeName, module, scopeRange.start, scopeRange.end, scope)
                           : symbols.AddFunction(scopeName, module, scopeRange.start, scopeRange.end, scope);
            s->form = form;
        }
        scope = 0;
        moduleFile = false;
        return s;
    }

    // Code or a line from `first` to `last` belongs to the open module and scope.
    void Touch(const TBankAdresse& first, const TBankAdresse& last) {
        moduleRange.Take(first, last);
        scopeRange.Take(first, last);
    }

    // The type-list index of a file's type reference counted from the base;
    // an unset base counts from the list's present end, where the file's
    // first type record will go.
    std::uint32_t TypeIndex(TSymboltabelle& symbols, std::int64_t fromBase) const {
        const std::int64_t base = typeBase >= 0 ? typeBase : static_cast<std::int64_t>(TypeCount(symbols));
        const std::int64_t index = base + fromBase;
        return index < 0 ? 0u : static_cast<std::uint32_t>(index);
    }
    static std::size_t TypeCount(TSymboltabelle& symbols) { return symbols.KindList(sspTypedef)->Count(); }
};

}  // namespace tarvex
