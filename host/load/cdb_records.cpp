#include "host/load/cdb_records.hpp"

#include <cctype>

#include "core/errors.hpp"

namespace tarvex {

namespace {

[[noreturn]] void notANumber(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::uint32_t decimal(std::string_view text) {
    if (text.empty() || text.size() > 9) notANumber(text);
    std::uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') notANumber(text);
        v = v * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return v;
}

// A decimal with an optional leading "-".
std::int32_t signedDecimal(std::string_view text) {
    if (!text.empty() && text[0] == '-') return -static_cast<std::int32_t>(decimal(text.substr(1)));
    return static_cast<std::int32_t>(decimal(text));
}

std::uint32_t hex(std::string_view text) {
    if (text.empty() || text.size() > 8) notANumber(text);
    std::uint32_t v = 0;
    for (char c : text) {
        const int d = std::isxdigit(static_cast<unsigned char>(c)) == 0 ? -1
                      : c <= '9'                                        ? c - '0'
                                                                        : (upper(c) - 'A' + 10);
        if (d < 0) notANumber(text);
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    return v;
}

// "3" or "3_0": the number before "_".
std::int32_t level(std::string_view text) { return static_cast<std::int32_t>(decimal(text.substr(0, text.find('_')))); }

// The text up to the next `sep`, consumed with it; the rest when none.
std::string_view take(std::string_view& text, char sep) {
    const auto cut = text.find(sep);
    const std::string_view part = text.substr(0, cut);
    text = cut == std::string_view::npos ? std::string_view() : text.substr(cut + 1);
    return part;
}

// Scope letter and name, up to and including the "$" that ends the scope.
void scopeOf(std::string_view& text, char& scope, std::string& name, std::string& module) {
    if (text.empty()) notANumber(text);
    if (text[0] == '$') {
        scope = 0;
        text.remove_prefix(1);
        return;
    }
    scope = upper(text[0]);
    text.remove_prefix(1);
    const std::string_view rest = take(text, '$');
    if (scope == 'L') {
        // "Ltypes.main$": the function within its module.
        if (const auto dot = rest.find('.'); dot != std::string_view::npos) {
            module = std::string(rest.substr(0, dot));
            name = std::string(rest.substr(dot + 1));
            return;
        }
    }
    name = std::string(rest);
}

// The text between the "(" at text[0] and its matching ")"; consumes both.
std::string_view parenthesised(std::string_view& text) {
    if (text.empty() || text[0] != '(') notANumber(text);
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && --depth == 0) {
            const std::string_view inner = text.substr(1, i - 1);
            text.remove_prefix(i + 1);
            return inner;
        }
    }
    notANumber(text);
}

CdbTypeChain chainOf(std::string_view inner) {
    CdbTypeChain chain;
    if (inner.empty() || inner[0] != '{') notANumber(inner);
    const auto close = inner.find('}');
    if (close == std::string_view::npos) notANumber(inner);
    chain.size = decimal(inner.substr(1, close - 1));
    inner.remove_prefix(close + 1);
    const auto colon = inner.rfind(':');
    if (colon != std::string_view::npos) {
        chain.sign = colon + 1 < inner.size() ? upper(inner[colon + 1]) : 0;
        inner = inner.substr(0, colon);
    }
    while (!inner.empty()) chain.elements.emplace_back(take(inner, ','));
    return chain;
}

}  // namespace

CdbKind CdbLineKind(std::string_view line) {
    if (line.size() < 2 || line[1] != ':') return CdbKind::Malformed;
    switch (line[0]) {
    case 'M': case 'm': return CdbKind::Module;
    case 'F': case 'f': return CdbKind::Function;
    case 'S': return CdbKind::Symbol;
    case 'T': return CdbKind::Type;
    case 'L': return CdbKind::Link;
    default: return CdbKind::Other;
    }
}

CdbTypeElement RecogniseCdbElement(std::string_view e, char sign) {
    CdbTypeElement t;
    const bool isUnsigned = sign == 'U';
    const std::string two = e.size() >= 2 ? std::string{upper(e[0]), upper(e[1])} : std::string();
    if (two == "DA") {
        t.typeClass = 34;
        t.baseCode = 255;
        // "DA10d": the count's digits; "DA" alone (a pointer's element) counts 0.
        std::size_t n = 2;
        while (n < e.size() && e[n] >= '0' && e[n] <= '9') ++n;
        t.number = n > 2 ? decimal(e.substr(2, n - 2)) : 0;
    } else if (two == "DF") {
        t.typeClass = 35;
        t.baseCode = 255;
    } else if (two == "DG") {
        t.typeClass = 33;
        t.baseCode = 255;
    } else if (two == "DI" || two == "DX" || two == "DP" || two == "DD" || two == "DC") {
        t.typeClass = 39;
        t.baseCode = 255;
        t.number = std::string_view("IXPDC").find(two[1]) + 1;
    } else if (two == "SC") {
        t.baseCode = isUnsigned ? 3 : 2;
    } else if (two == "SI" || two == "SS") {
        t.baseCode = isUnsigned ? 5 : 4;
    } else if (two == "SL") {
        t.baseCode = isUnsigned ? 7 : 6;
    } else if (two == "SV") {
        t.baseCode = 11;
    } else if (two == "SF") {
        // SDCC stores a float least significant byte first on the 8051.
        t.baseCode = 8;
    } else if (two == "ST") {
        t.typeClass = 37;
        t.baseCode = 255;
        t.structName = std::string(e.substr(2));
    } else if (two == "SX") {
        t.baseCode = 1;
    } else if (two == "SB") {
        t.typeClass = 38;
        t.baseCode = 255;
        std::string_view rest = e.substr(2);
        t.bitPosition = static_cast<std::uint8_t>(decimal(take(rest, '$')));
        t.bitWidth = static_cast<std::uint8_t>(decimal(rest));
    }
    return t;
}

CdbSymbolRecord ParseCdbSymbol(std::string_view text, bool isFunction) {
    CdbSymbolRecord r;
    scopeOf(text, r.scope, r.scopeName, r.scopeModule);
    r.name = std::string(take(text, '$'));
    r.level = level(take(text, '$'));
    // The block runs up to the type chain's "(".
    const auto open = text.find('(');
    if (open == std::string_view::npos) notANumber(text);
    r.block = static_cast<std::int32_t>(decimal(text.substr(0, open)));
    text.remove_prefix(open);
    r.chain = chainOf(parenthesised(text));
    if (!text.empty() && text[0] == ',') text.remove_prefix(1);
    const std::string_view space = take(text, ',');
    r.space = space.empty() ? 0 : upper(space[0]);
    r.onStack = signedDecimal(take(text, ',')) != 0;
    // The stack offset ends at "," (functions) or "[" / the end (symbols).
    std::string_view offset = text.substr(0, text.find_first_of(",["));
    text.remove_prefix(offset.size());
    r.stackOffset = signedDecimal(offset);
    if (isFunction) {
        if (!text.empty() && text[0] == ',') {
            text.remove_prefix(1);
            r.isInterrupt = signedDecimal(take(text, ',')) != 0;
            r.interruptNumber = signedDecimal(take(text, ','));
            r.registerBank = signedDecimal(take(text, ','));
        }
        return r;
    }
    if (const auto lb = text.find('['); lb != std::string_view::npos) {
        const auto rb = text.find(']', lb);
        if (rb == std::string_view::npos) notANumber(text);
        r.hasRegisterList = true;
        std::string_view list = text.substr(lb + 1, rb - lb - 1);
        while (!list.empty()) {
            std::string reg(take(list, ','));
            for (auto& c : reg) c = upper(c);
            if (!reg.empty()) r.registers.push_back(std::move(reg));
        }
    }
    return r;
}

CdbStructRecord ParseCdbStruct(std::string_view text) {
    CdbStructRecord r;
    if (text.empty()) notANumber(text);
    r.scope = upper(text[0]);
    text.remove_prefix(1);
    r.scopeName = std::string(take(text, '$'));
    const auto open = text.find('[');
    if (open == std::string_view::npos) notANumber(text);
    r.name = std::string(text.substr(0, open));
    text.remove_prefix(open + 1);
    const auto close = text.rfind(']');
    if (close == std::string_view::npos) notANumber(text);
    text = text.substr(0, close);
    while (!text.empty()) {
        std::string_view member = parenthesised(text);
        CdbMember m;
        if (member.empty() || member[0] != '{') notANumber(member);
        const auto brace = member.find('}');
        if (brace == std::string_view::npos) notANumber(member);
        m.offset = decimal(member.substr(1, brace - 1));
        member.remove_prefix(brace + 1);
        // Two characters ("S:") before the member's symbol fields.
        if (member.size() < 2) notANumber(member);
        member.remove_prefix(2);
        m.symbol = ParseCdbSymbol(member, false);
        r.members.push_back(std::move(m));
    }
    return r;
}

CdbLinkRecord ParseCdbLink(std::string_view text) {
    CdbLinkRecord r;
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) notANumber(text);
    r.address = hex(text.substr(colon + 1));
    text = text.substr(0, colon);
    if (text.empty()) return r;
    char letter = upper(text[0]);
    if (letter == 'X' && text.size() > 1) {
        r.isEnd = true;
        text.remove_prefix(1);
        letter = upper(text[0]);
    }
    if ((letter == 'C' || letter == 'A') && !r.isEnd && text.size() > 1 && text[1] == '$') {
        text.remove_prefix(2);
        r.kind = letter == 'C' ? CdbLinkKind::CLine : CdbLinkKind::ALine;
        r.file = std::string(take(text, '$'));
        r.line = decimal(take(text, '$'));
        if (letter == 'C' && !text.empty()) r.level = level(take(text, '$'));
        if (letter == 'C' && !text.empty()) r.block = static_cast<std::int32_t>(decimal(text));
        return r;
    }
    if (letter != 'G' && letter != 'F' && letter != 'L') return r;
    r.kind = letter == 'G' ? CdbLinkKind::Global : letter == 'F' ? CdbLinkKind::FileStatic : CdbLinkKind::Local;
    char scope = 0;
    scopeOf(text, scope, r.scopeName, r.scopeModule);
    r.name = std::string(take(text, '$'));
    r.level = level(take(text, '$'));
    r.block = text.empty() ? 0 : static_cast<std::int32_t>(decimal(text));
    return r;
}

std::string CdbSourceName(std::string_view line) {
    if (line.size() < 4) return {};
    const std::string head{upper(line[0]), line[1], upper(line[2]), line[3]};
    if (head != "L:C$" && head != "L:A$") return {};
    std::string_view rest = line.substr(4);
    const std::string_view name = take(rest, '$');
    if (name.find('.') == std::string_view::npos) return {};
    return std::string(name);
}

}  // namespace tarvex
