#include "ui/model/symbol_picker.hpp"

#include "core/symbol_table.hpp"

namespace tarvex::ui {
namespace {
SymbolPicker* g_picker = nullptr;
}

int KlassenKind(Klassen bit) {
    switch (bit) {
        case klasse::Program: return sspProgram;
        case klasse::IntData: return sspIntData;
        case klasse::ExtData: return sspExtData;
        case klasse::Bit: return sspBit;
        case klasse::Konstante: return sspConst;
        case klasse::DateiName: return sspSource;
        case klasse::Modul: return sspModuleFunction;
        case klasse::Typedef: return sspTypedef;
        case klasse::Sfr: return sspSfr;
        default: return -1;
    }
}

const std::vector<Klassen>& KlassenFillOrder() {
    // SFR comes fifth, after bit: the order in which the list is described
    // to the user, not the order of the bits.
    static const std::vector<Klassen> order{klasse::Program, klasse::IntData,  klasse::ExtData,
                                            klasse::Bit,     klasse::Sfr,      klasse::Konstante,
                                            klasse::DateiName, klasse::Modul, klasse::Typedef};
    return order;
}

std::uint16_t ValidatorClasses(Klassen klassen) {
    std::uint16_t out = 0;
    for (Klassen bit : KlassenFillOrder())
        if (klassen & bit) out = static_cast<std::uint16_t>(out | (1u << KlassenKind(bit)));
    return out;
}

SymbolPicker* currentSymbolPicker() { return g_picker; }

std::optional<PickedSymbol> pickSymbol(const SymbolPickRequest& request) {
    return g_picker ? g_picker->pick(request) : std::nullopt;
}

ScopedSymbolPicker::ScopedSymbolPicker(SymbolPicker* picker) : saved_(g_picker) { g_picker = picker; }
ScopedSymbolPicker::~ScopedSymbolPicker() { g_picker = saved_; }

}  // namespace tarvex::ui
