#include "host/load/loader_cdb.hpp"

#include <algorithm>
#include <unordered_map>

#include "core/ansi_case.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"

namespace tarvex {

namespace {

constexpr std::uint8_t CdbForm = 3;
constexpr std::uint8_t RegisterLocation = 12;

std::string stem(const std::string& file) {
    const auto dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

// Two characters, high byte first or low byte first.
std::string twoChars(std::uint32_t value, bool highFirst) {
    const char hi = static_cast<char>((value >> 8) & 0xFF), lo = static_cast<char>(value & 0xFF);
    return highFirst ? std::string{hi, lo} : std::string{lo, hi};
}

std::uint8_t symbolKind(char space) {
    switch (space) {
    case 'A': return sspRoseSpX;
    case 'B': return sspRoseSpI;
    case 'C': case 'D': return sspProgram;
    case 'E': case 'G': return sspIntData;
    case 'F': case 'P': return sspExtData;
    case 'H': case 'J': return sspBit;
    case 'I': return sspSfr;
    case 'R': return sspRegBank;
    default: return sspProgram;
    }
}

}  // namespace

bool TCdbLoader::skipLine(const std::string& line, const std::string& previous) { return line == previous; }

TBankAdresse TCdbLoader::codeAddress(std::uint32_t linear) const {
    const std::uint32_t a = linear + offset_;
    if (a > 0xFFFF) return LinearToBankAdresse(static_cast<std::int32_t>(a), banking_);
    return UnbankedAdresse(static_cast<std::uint16_t>(a));
}

// Every line record looks its module up: by name and by source, the first
// module of each.
void TCdbLoader::indexModules() {
    byName_.clear();
    bySource_.clear();
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        byName_.emplace(AnsiLowerCase(modules_[i].name), i);
        bySource_.emplace(AnsiLowerCase(modules_[i].source), i);
    }
}

TCdbLoader::Module* TCdbLoader::moduleNamed(const std::string& name) {
    const auto found = byName_.find(AnsiLowerCase(name));
    return found == byName_.end() ? nullptr : &modules_[found->second];
}

TCdbLoader::Module* TCdbLoader::moduleOfFile(const std::string& file) {
    if (const auto found = bySource_.find(AnsiLowerCase(file)); found != bySource_.end())
        return &modules_[found->second];
    return moduleNamed(stem(file));
}

void TCdbLoader::collect(const std::vector<std::string>& lines) {
    std::string previous;
    for (const auto& line : lines) {
        if (skipLine(line, previous)) continue;
        previous = line;
        if (const std::string source = CdbSourceName(line); !source.empty()) sources_.push_back(source);
        if (CdbLineKind(line) != CdbKind::Link) continue;
        const auto r = ParseCdbLink(std::string_view(line).substr(2));
        std::string scope;
        char kind = 0;
        switch (r.kind) {
        case CdbLinkKind::CLine:
            if (r.line != 1 || r.address != 0) cLineAddresses_.push_back(r.address);
            continue;
        case CdbLinkKind::Global: kind = 'G'; break;
        case CdbLinkKind::FileStatic: kind = 'F', scope = AnsiLowerCase(r.scopeName); break;
        case CdbLinkKind::Local: kind = 'L', scope = AnsiLowerCase(r.scopeModule + "." + r.scopeName); break;
        default: continue;
        }
        if (r.isEnd)
            ends_[{kind, scope, r.name}] = r.address;
        else
            starts_.emplace(LinkKey{kind, scope, r.name, r.level, r.block}, r.address);
    }
    std::sort(cLineAddresses_.begin(), cLineAddresses_.end());
    std::sort(sources_.begin(), sources_.end());
    sources_.erase(std::unique(sources_.begin(), sources_.end()), sources_.end());
}

void TCdbLoader::firstPass(const std::vector<std::string>& lines) {
    std::unordered_map<std::string, const std::string*> sourceOfStem;
    for (const auto& s : sources_) sourceOfStem[AnsiLowerCase(stem(s))] = &s;
    std::string previous;
    std::size_t number = 0;
    for (const auto& line : lines) {
        ++number;
        if (skipLine(line, previous)) continue;
        previous = line;
        switch (CdbLineKind(line)) {
        case CdbKind::Malformed:
            messages_.push_back("CDB Format Error (missing \":\") in line: " + std::to_string(number));
            break;
        case CdbKind::Module: {
            if (modules_.size() >= 0xFFFF) break;  // module ids are 16 bits, 0 is none
            Module m;
            m.name = line.substr(2);
            m.id = static_cast<std::uint16_t>(modules_.size() + 1);
            // The source whose name without extension is the module's (the
            // last in order); else the first that begins with it.
            if (const auto found = sourceOfStem.find(AnsiLowerCase(m.name)); found != sourceOfStem.end())
                m.source = *found->second;
            if (m.source.empty()) {
                std::string prefix = m.name;
                if (!prefix.empty() && prefix[0] == '_') prefix.erase(0, 1);
                const auto first = std::lower_bound(sources_.begin(), sources_.end(), prefix);
                if (first != sources_.end() && first->compare(0, prefix.size(), prefix) == 0) m.source = *first;
            }
            modules_.push_back(std::move(m));
            break;
        }
        default:
            break;
        }
    }
    indexModules();
    // A module with assembler lines gets its ".asm" file as file number 1.
    for (const auto& line : lines)
        if (line.size() > 4 && (line[2] == 'A' || line[2] == 'a') && line[3] == '$' && CdbLineKind(line) == CdbKind::Link)
            if (Module* m = moduleNamed(ParseCdbLink(std::string_view(line).substr(2)).file)) m->hasAsmLines = true;
    for (const auto& m : modules_) {
        if (!m.source.empty()) symbols_.AddFileName(m.source, m.id, CFileNumber)->form = CdbForm;
        if (m.hasAsmLines) symbols_.AddFileName(m.name + ".asm", m.id, AsmFileNumber)->form = CdbForm;
    }
    current_ = nullptr;
    previous.clear();
    for (const auto& line : lines) {
        if (skipLine(line, previous)) continue;
        previous = line;
        const CdbKind kind = CdbLineKind(line);
        if (kind == CdbKind::Module) current_ = moduleNamed(line.substr(2));
        if (kind == CdbKind::Function) addFunction(ParseCdbSymbol(std::string_view(line).substr(2), true));
    }
}

void TCdbLoader::widen(Module& m, const TBankAdresse& start, const TBankAdresse& end) {
    if (!m.hasRange) {
        m.start = start, m.end = end, m.hasRange = true;
        return;
    }
    if (BankAdresseLess(start, m.start)) m.start = start;
    if (BankAdresseLess(m.end, end)) m.end = end;
}

void TCdbLoader::addFunction(const CdbSymbolRecord& r) {
    if (current_ == nullptr) return;
    Function f;
    f.moduleId = current_->id;
    f.id = ++current_->functions;
    const std::string scope = r.scope == 'F' ? AnsiLowerCase(r.scopeName) : std::string();
    const char kind = r.scope == 'F' ? 'F' : 'G';
    if (const auto s = starts_.find({kind, scope, r.name, r.level, r.block}); s != starts_.end())
        f.start = codeAddress(s->second), f.hasStart = true;
    if (const auto e = ends_.find({kind, scope, r.name}); e != ends_.end())
        f.end = codeAddress(e->second), f.hasEnd = true;
    if (!f.hasEnd) f.end = f.start;
    if (f.hasStart) widen(*current_, f.start, f.end);
    symbols_.AddFunction(r.name, f.moduleId, f.start, f.end, f.id)->form = CdbForm;
    if (!r.chain.elements.empty()) convertChain(r.chain, 0, r.chain.size);
    functions_[{f.moduleId, AnsiLowerCase(r.name)}] = f;
}

// CDB addresses are unbanked or banked, never all-banks: bank and offset
// order them.
std::uint32_t TCdbLoader::addressKey(const TBankAdresse& a) {
    return static_cast<std::uint32_t>(a.banked ? a.bank : 0) << 16 | a.offset;
}

// Each line record asks which function holds its address: per module the
// functions' ranges become disjoint spans, where overlapping ranges give the
// span to the function first in name order.
void TCdbLoader::indexFunctions() {
    spans_.assign(modules_.size() + 1, {});
    for (auto f = functions_.rbegin(); f != functions_.rend(); ++f) {
        const Function& fn = f->second;
        if (!fn.hasStart || fn.moduleId >= spans_.size()) continue;
        std::uint32_t lo = addressKey(fn.start), hi = addressKey(fn.end);
        if (hi < lo) std::swap(lo, hi);
        auto& spans = spans_[fn.moduleId];
        // Cut the spans that reach over lo or hi, then replace what lies
        // between.
        for (const std::uint32_t at : {lo, hi + 1}) {
            auto it = spans.upper_bound(at);
            if (it == spans.begin()) continue;
            --it;
            if (it->first < at && it->second.last >= at) {
                const Span right = it->second;
                it->second.last = at - 1;
                spans.emplace(at, right);
            }
        }
        spans.erase(spans.lower_bound(lo), spans.upper_bound(hi));
        spans.emplace(lo, Span{hi, fn.id});
    }
}

std::uint16_t TCdbLoader::functionAt(std::uint16_t moduleId, const TBankAdresse& address) const {
    if (moduleId >= spans_.size()) return 0;
    const auto& spans = spans_[moduleId];
    const std::uint32_t key = addressKey(address);
    auto it = spans.upper_bound(key);
    if (it == spans.begin()) return 0;
    --it;
    return it->second.last >= key ? it->second.id : 0;
}

void TCdbLoader::addLine(const CdbLinkRecord& r) {
    if (r.line == 1 && r.address == 0) return;
    const bool asmLine = r.kind == CdbLinkKind::ALine;
    // Where a C line and an assembler line share an address, a look-up by
    // address must find the C line: the assembler line is left out there.
    if (asmLine && std::binary_search(cLineAddresses_.begin(), cLineAddresses_.end(), r.address)) return;
    Module* m = asmLine ? moduleNamed(r.file) : moduleOfFile(r.file);
    if (m == nullptr) m = current_;
    if (m == nullptr) return;
    const TBankAdresse address = codeAddress(r.address);
    lines_.AddLine(address, static_cast<std::int32_t>(r.line), asmLine ? AsmFileNumber : CFileNumber,
                   functionAt(m->id, address), m->id);
    widen(*m, address, address);
}

std::string TCdbLoader::structKey(const std::string& name) const {
    return twoChars(current_ ? current_->id : 0, true) + name;
}

TSymbol* TCdbLoader::addType(const std::string& name, std::uint16_t functionField, std::uint16_t moduleField,
                             std::uint8_t baseCode, std::uint32_t size, std::uint8_t klass, std::uint16_t offset,
                             std::uint8_t bank) {
    TBankAdresse address;
    address.bank = bank;
    address.offset = offset;
    TSymbol* t = symbols_.AddSymbol(sspTypedef, name, functionField, moduleField, baseCode, size, klass, address);
    t->form = CdbForm;
    return t;
}

TSymbol* TCdbLoader::convertChain(const CdbTypeChain& chain, std::size_t i, std::uint32_t size) {
    const CdbTypeElement e = RecogniseCdbElement(chain.elements[i], chain.sign);
    const bool hasNext = e.typeClass == 33 || e.typeClass == 34 || e.typeClass == 35 || e.typeClass == 39;
    CdbTypeElement next;
    if (hasNext && i + 1 < chain.elements.size()) next = RecogniseCdbElement(chain.elements[i + 1], chain.sign);
    // A chain deeper than any C declaration needs ends in a base type, so
    // that hostile input cannot recurse without bound.
    constexpr std::size_t MaxDepth = 32;
    const bool nextIsBase = !hasNext || i + 1 >= chain.elements.size() || next.IsBaseType() || i + 1 >= MaxDepth;
    std::uint32_t handed = 0;
    if (e.typeClass == 34 && next.typeClass == 34 && e.number != 0) handed = size / e.number;
    const std::string structName = e.typeClass == 37 ? structKey(e.structName) : std::string();

    auto find = [&](std::uint8_t baseCode, std::uint16_t address) -> TSymbol* {
        switch (e.typeClass) {
        case 37: return symbols_.FindTypeByName(structName, 37, 0);
        case 35: return symbols_.FindType(baseCode, address);
        case 34: return symbols_.FindMember(baseCode, twoChars(e.number, false), address);
        case 33:
        case 39: return symbols_.FindTypeAt(e.typeClass, static_cast<std::uint16_t>(e.number), address, baseCode);
        default: return nullptr;
        }
    };
    auto create = [&](std::uint8_t baseCode, std::uint16_t address) -> TSymbol* {
        switch (e.typeClass) {
        case 33:
        case 39: return addType("", 0, static_cast<std::uint16_t>(e.number), baseCode, size, e.typeClass, address);
        case 34: return addType(twoChars(e.number, false), 1, 0, baseCode, size, 34, address);
        case 35: return addType("", 0, 0, baseCode, size, 35, address);
        case 37: return addType(structName, 0, 0, 0, size, 37, address);
        case 38: return addType("", e.bitWidth, 0, 0, size, 38, address);
        default: return addType("", 0, 0, e.baseCode, size, e.typeClass, address);
        }
    };

    if (nextIsBase) {
        const std::uint8_t baseCode = hasNext && i + 1 < chain.elements.size() ? next.baseCode : 0;
        if (TSymbol* found = find(baseCode, 0)) return found;
        return create(baseCode, 0);
    }
    TSymbol* inner = convertChain(chain, i + 1, handed);
    const auto index = static_cast<std::uint16_t>(symbols_.TypeIndex(inner));
    if (TSymbol* found = find(kTypeOfRecord, index)) return found;
    return create(kTypeOfRecord, index);
}

void TCdbLoader::addSymbol(const CdbSymbolRecord& r) {
    std::uint8_t kind = symbolKind(r.space);
    TBankAdresse address = UnbankedAdresse(0);
    TLocation held;  // a variable in several registers: where the watches read it
    if (kind == sspRegBank) {
        // One register Rn of the current bank is a register symbol; a list
        // of them is a register location (at most four registers).
        const bool one = r.registers.size() == 1 && registerNumber(r.registers[0]) <= 7;
        if (one) {
            address = UnbankedAdresse(registerNumber(r.registers[0]));
        } else if (registerList(r.registers, held)) {
            kind = sspIntData;
        } else {
            messages_.push_back(std::string(LoadStr(188)) + " " + r.name);
            return;
        }
    }
    std::uint16_t moduleId = r.scope == 'G' ? 0 : current_ ? current_->id : 0;
    std::uint16_t functionId = 0;
    std::string scope;
    if (r.scope == 'F') scope = AnsiLowerCase(r.scopeName);
    if (r.scope == 'L') {
        scope = AnsiLowerCase(r.scopeModule + "." + r.scopeName);
        if (Module* m = r.scopeModule.empty() ? current_ : moduleNamed(r.scopeModule)) {
            moduleId = m->id;
            if (const auto f = functions_.find({m->id, AnsiLowerCase(r.scopeName)}); f != functions_.end())
                functionId = f->second.id;
        }
    }
    if (kind != sspRegBank) {
        const char key = r.scope == 'G' || r.scope == 'F' || r.scope == 'L' ? r.scope : 0;
        if (const auto s = starts_.find({key, scope, r.name, r.level, r.block}); s != starts_.end())
            address = kind == sspProgram ? codeAddress(s->second)
                                         : UnbankedAdresse(static_cast<std::uint16_t>(s->second));
    }
    std::uint8_t baseCode = 0;
    std::uint32_t size = r.chain.size;
    if (!r.chain.elements.empty()) {
        baseCode = RecogniseCdbElement(r.chain.elements[0], r.chain.sign).baseCode;
        if (baseCode == kTypeOfRecord) {
            TSymbol* type = convertChain(r.chain, 0, r.chain.size);
            if (type->size == 0) type->size = r.chain.size;
            size = static_cast<std::uint32_t>(symbols_.TypeIndex(type));
        }
    }
    const std::uint8_t klass = r.scope == 'F' || r.scope == 'G' ? 1 : r.scope == 'L' ? 0 : 2;
    TSymbol* symbol = symbols_.AddSymbol(kind, r.name, functionId, moduleId, baseCode, size, klass, address);
    if (held.kind != RegisterLocation) return;
    // The registers hold it throughout its function (the whole program for
    // any other); the end of a location is the first address after it.
    held.start = UnbankedAdresse(0);
    held.end = UnbankedAdresse(0xFFFF);
    if (const Module* m = r.scope == 'L' ? (r.scopeModule.empty() ? current_ : moduleNamed(r.scopeModule)) : nullptr)
        if (const auto f = functions_.find({m->id, AnsiLowerCase(r.scopeName)}); f != functions_.end() && f->second.hasStart) {
            held.start = f->second.start;
            held.end = f->second.end;
            if (held.end.offset < 0xFFFF) ++held.end.offset;
        }
    *symbols_.Locations().Add() = held;
    symbol->firstLocation = static_cast<std::uint32_t>(symbols_.Locations().Count() - 1);
    symbol->locationCount = 1;
}

// r0..r7 0..7, A 8, B 9, DPL 10, DPH 11 (upper case); 0xFF for others.
std::uint8_t TCdbLoader::registerNumber(const std::string& name) {
    if (name.size() == 2 && name[0] == 'R' && name[1] >= '0' && name[1] <= '7')
        return static_cast<std::uint8_t>(name[1] - '0');
    if (name == "A" || name == "ACC") return 8;
    if (name == "B") return 9;
    if (name == "DPL") return 10;
    if (name == "DPH") return 11;
    return 0xFF;
}

// SDCC lists a variable's registers low byte first; the watches read a
// location's list as the last byte first (its first register gives the
// highest byte), so the list goes in reversed. Its count, not an end mark,
// ends it: R0 is register 0.
bool TCdbLoader::registerList(const std::vector<std::string>& names, TLocation& held) {
    if (names.empty() || names.size() > held.registers.size()) return false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::uint8_t n = registerNumber(names[i]);
        if (n == 0xFF) return false;
        held.registers[names.size() - 1 - i] = n;
    }
    held.registerCount = static_cast<std::uint8_t>(names.size());
    held.kind = RegisterLocation;
    return true;
}

void TCdbLoader::addStruct(const CdbStructRecord& r) {
    CdbTypeChain chain;
    chain.elements.push_back("ST" + r.name);
    TSymbol* structure = convertChain(chain, 0, 0);
    std::string list;
    std::uint8_t sequence = 0;
    // The file gives no structure's size; its members' extent is it (the
    // 8051 has no padding). A structure that no symbol has as its own type,
    // one only met as an element or a member, has no other size.
    std::uint32_t extent = 0;
    for (const auto& member : r.members) {
        const auto& s = member.symbol;
        extent = std::max(extent, member.offset + s.chain.size);
        std::uint8_t baseCode = 0;
        std::uint16_t typeOffset = 0;
        if (!s.chain.elements.empty()) {
            baseCode = RecogniseCdbElement(s.chain.elements[0], s.chain.sign).baseCode;
            if (baseCode == kTypeOfRecord)
                typeOffset = static_cast<std::uint16_t>(symbols_.TypeIndex(convertChain(s.chain, 0, s.chain.size)));
        }
        if (++sequence == 0) sequence = 1;
        TSymbol* m = addType(s.name, (member.offset >> 8) & 0xFF, member.offset & 0xFF, baseCode, s.chain.size,
                             symbol_class::Member, typeOffset, sequence);
        list += twoChars(static_cast<std::uint32_t>(symbols_.TypeIndex(m)), true);
    }
    // The member list is entered after its members, so that its name (the
    // members' indices) is complete when it joins the list.
    const auto count = static_cast<std::uint32_t>(r.members.size());
    TSymbol* members = addType(list, (count >> 8) & 0xFF, count & 0xFF, kTypeOfRecord, extent, symbol_class::Member, 0);
    if (structure->size == 0) structure->size = extent;
    symbols_.SetTypeReference(structure, kTypeOfRecord, static_cast<std::uint16_t>(symbols_.TypeIndex(members)));
}

bool TCdbLoader::secondPass(const std::vector<std::string>& lines) {
    indexFunctions();
    std::string previous;
    current_ = nullptr;
    std::size_t number = 0;
    for (const auto& line : lines) {
        ++number;
        if (cancel_ && cancel_()) return false;
        if (skipLine(line, previous)) continue;
        previous = line;
        const std::string_view text = std::string_view(line).substr(std::min<std::size_t>(2, line.size()));
        switch (CdbLineKind(line)) {
        case CdbKind::Module:
            current_ = moduleNamed(line.substr(2));
            break;
        case CdbKind::Symbol:
            addSymbol(ParseCdbSymbol(text, false));
            break;
        case CdbKind::Type:
            addStruct(ParseCdbStruct(text));
            break;
        case CdbKind::Link: {
            const auto r = ParseCdbLink(text);
            if (r.kind == CdbLinkKind::CLine || r.kind == CdbLinkKind::ALine) addLine(r);
            break;
        }
        default:
            break;
        }
    }
    return true;
}

bool TCdbLoader::Load(const std::vector<std::string>& lines) {
    collect(lines);
    firstPass(lines);
    const bool complete = secondPass(lines);
    for (const auto& m : modules_)
        symbols_.AddModule(m.name, m.id, m.start, m.hasRange ? m.end : m.start)->form = CdbForm;
    return complete;
}

}  // namespace tarvex
