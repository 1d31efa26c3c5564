#pragma once
// One line of an SDCC CDB debug file cut into a plain record: no tables are
// touched here. The loader walks the file's lines, asks CdbLineKind and the
// matching parser, and enters what it gets. Forms accepted are those SDCC
// 3.x/4.x writes: levels "n" or "n_m" (the level is the number before "_"),
// array counts with a trailing letter ("DA10d"), local scopes
// "L<module>.<function>$", linker addresses above 0xFFFF for banked code.
// A numeric field that is not a number raises EConvertError.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

enum class CdbKind { Malformed, Module, Function, Symbol, Type, Link, Other };

// The record a line holds; Malformed when its second character is not ":".
CdbKind CdbLineKind(std::string_view line);

// The type chain "({size}element,element,...:sign)".
struct CdbTypeChain {
    std::uint32_t size = 0;
    std::vector<std::string> elements;
    char sign = 0;  // 'U' for unsigned, 'S' signed
};

// One chain element recognised.
struct CdbTypeElement {
    std::uint8_t typeClass = 0;  // 34 array, 35 function, 33 generic pointer, 39 pointer, 37 struct, 38 bit field, 0 other
    std::uint8_t baseCode = 0;   // 255 for an element that needs a type record
    std::uint32_t number = 0;    // array count; pointer kind 1..5
    std::string structName;      // "ST" elements
    std::uint8_t bitPosition = 0, bitWidth = 0;
    bool IsBaseType() const { return baseCode != 255; }
};
CdbTypeElement RecogniseCdbElement(std::string_view element, char sign);

// "S:" and "F:" records.
struct CdbSymbolRecord {
    char scope = 0;           // 'G', 'F', 'L', 'S' or 0 for "$"
    std::string scopeName;    // the file of "F", the function of "L" (without its module)
    std::string scopeModule;  // the module of an "L<module>.<function>" scope
    std::string name;
    std::int32_t level = 0;
    std::int32_t block = 0;
    CdbTypeChain chain;
    char space = 0;  // address-space letter
    bool onStack = false;
    std::int32_t stackOffset = 0;
    // Functions only.
    bool isInterrupt = false;
    std::int32_t interruptNumber = 0;
    std::int32_t registerBank = 0;
    // Symbols only: the register list of "[r7]", upper-case names.
    std::vector<std::string> registers;
    bool hasRegisterList = false;
};
// `text` is the line after "S:" or "F:".
CdbSymbolRecord ParseCdbSymbol(std::string_view text, bool isFunction);

struct CdbMember {
    std::uint32_t offset = 0;
    CdbSymbolRecord symbol;
};
struct CdbStructRecord {
    char scope = 0;
    std::string scopeName;
    std::string name;
    std::vector<CdbMember> members;
};
// `text` is the line after "T:".
CdbStructRecord ParseCdbStruct(std::string_view text);

enum class CdbLinkKind { CLine, ALine, Global, FileStatic, Local, Other };
struct CdbLinkRecord {
    CdbLinkKind kind = CdbLinkKind::Other;
    bool isEnd = false;      // "X" records: a function's end address
    std::string file;        // C and A lines; the module of A lines
    std::string scopeName;   // module of "F", function of "L"
    std::string scopeModule; // module of an "L<module>.<function>" scope
    std::string name;
    std::uint32_t line = 0;
    std::int32_t level = 0;
    std::int32_t block = 0;
    std::uint32_t address = 0;
};
// `text` is the line after "L:".
CdbLinkRecord ParseCdbLink(std::string_view text);

// The source file name of an "L:C$" or "L:A$" line; empty for other lines or
// a name without an extension.
std::string CdbSourceName(std::string_view line);

}  // namespace tarvex
