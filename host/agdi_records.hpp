#pragma once
// The records the IDE and the driver exchange through the driver's twelve
// exports, and the functions each hands the other. Header only: the driver
// and the stand-in IDE host (tools/tarvex-host) both include it.
//
// Layouts. The 32-bit build (the one the IDE loads) has the IDE's byte
// positions, pinned by static_asserts. On a 64-bit build every pointer or
// handle is 8 bytes and naturally aligned, records described byte by byte
// stay packed, and the static_asserts pin those offsets instead.
//
// Ownership. The IDE owns its records, its breakpoint list and the variables
// whose addresses it hands over (PC variable, active-window variable, the
// variable holding the list head); they must stay valid while the library is
// loaded. The driver owns its menu table, the dialog descriptors, the
// register view's tables and the texts they point to; they are valid while
// the library is loaded.
//
// Messages (outside Windows): the IDE's "window" is the address of a
// platform::HostMessageSink (platform/host_window.hpp): {context, send,
// post}, 24 bytes on LP64. Its `post` must not call back into the driver
// before it returns.
#include <cstddef>
#include <cstdint>

// The convention of every function that crosses the boundary: the exports
// and every function one side hands the other.
#if defined(_WIN32) && !defined(_WIN64)
#define TARVEX_AGDI_CALL __stdcall
#else
#define TARVEX_AGDI_CALL
#endif

namespace tarvex::agdi {

inline constexpr bool Wide = sizeof(void*) == 8;

// AG_MemAcc's request: host address word and status.
struct MemRequest {
    std::uint32_t address;
    std::uint32_t status;
};
static_assert(sizeof(MemRequest) == 8);

// AG_MemAtt's request. Code 2 answers the address of the attribute cell: in
// the word at +0 in the 32-bit build, in `cell` on 64-bit builds (whose
// address word cannot hold it; the word is left unchanged there).
struct AttRequest {
    std::uint32_t address;
    std::uint32_t result;
    std::uint32_t count;
#if defined(_WIN64) || defined(__LP64__)
    std::uint32_t reserved;
    std::uint32_t* cell;
#endif
};

// An IDE breakpoint record as the driver reads it. flags: 0x10 enabled, the
// low four bits the type (0 an execution breakpoint).
struct BpRecord {
    BpRecord* next;
    void* word1;
    std::uint32_t flags;
    std::uint32_t address;
    std::uint32_t words4to9[6];
    std::uint32_t passCount;
};
inline constexpr std::uint32_t BpEnabled = 0x10;

// The project record handed to EnumUv351; only the named fields are the
// IDE's, the gaps are the IDE's own.
struct ProjectRecord {
    char reserved0[1040];
    char exePath[260];
    char optionString[1024];
    char reserved1[260];
    const char* projectFile;
    char programFile[260];
    char reserved2[5072 - 2588 - 260 - (Wide ? 4 : 0)];
    char text1[64];
    char text2[64];
};

// DllUv3Cap's data: slot 0 the IDE's window, 1 the exe path, 3 the size of
// the option buffer, 5 the option buffer, 6 the project file path.
struct CapRecord {
    std::uintptr_t slot[7];
};

// The record of message 3 (AG_Serial 1): value1, value2, 0, 0, value3.
struct SerialRecord {
    std::uint32_t word[5];
};

#pragma pack(push, 1)
struct RegGroup {
    std::uint8_t zero;
    std::uint8_t one;
    const char* name;
};
struct RegItem {
    std::uint8_t valid;
    std::uint8_t group;
    std::uint8_t zero;
    std::uint16_t number;
    char name[18];
    std::uint8_t changed;
    std::uint8_t redraw;
    char text[32];
    std::uint32_t value;
    std::uint32_t value2;
};
#pragma pack(pop)

// Mode of the register view's read function: the top four bits 4 lock the
// view (writes refused), 8 unlock it; anything else reads the item.
using RegReadFn = std::uint32_t(TARVEX_AGDI_CALL*)(RegItem* item, std::uint32_t mode);
using RegWriteFn = std::uint32_t(TARVEX_AGDI_CALL*)(RegItem* item, std::uint32_t value);

struct RegViewDescriptor {
    std::uint32_t groupCount;
    std::uint32_t itemCount;
    RegGroup* groups;
    RegItem* items;
    RegReadFn read;
    RegWriteFn write;
};

struct DialogDescriptor;
struct MenuEntry;
using MenuHandler = void(TARVEX_AGDI_CALL*)(MenuEntry* entry);
using DialogFn = void(TARVEX_AGDI_CALL*)(DialogDescriptor* descriptor);
using DialogUpdateFn = std::uint32_t(TARVEX_AGDI_CALL*)();
using CallbackFn = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint32_t code, void* data);

// Menu kinds.
inline constexpr std::int32_t MenuPopup = 2, MenuItem = 1, MenuPopupEnd = -2, MenuEnd = -1;

struct DialogDescriptor {
    std::uint32_t state;
    void* window;
    std::uint32_t zero;
    std::int32_t rect[4];
    DialogFn update;
    DialogFn close;
    std::uintptr_t zero2;
};

struct MenuEntry {
    std::int32_t kind;
    const char* caption;
    MenuHandler handler;
    std::uint32_t zero;
    std::uint32_t id;
    DialogDescriptor* descriptor;
};

// The internal notification record: id 1152 a notification, 1154 a dialog
// closed.
struct NotificationRecord {
    std::uint32_t id;
    std::uint32_t code;
    const void* data;
    std::uintptr_t result;
};

// AG_Init codes and items, callback codes, message parameters.
namespace code {
inline constexpr std::uint16_t Startup = 0x100, Feature = 0x200, Item = 0x300, Exec = 0x400;
inline constexpr std::uint8_t ItemMenu = 7, ItemDialogUpdate = 8, ItemActiveWindow = 9, ItemHostWindow = 10,
                              ItemInstance = 11, ItemBreakpointList = 14, ItemPcVar = 15, ItemMessageId = 17,
                              ItemCallback = 18, ItemDownloadOn = 33, ItemDownloadOff = 34;
inline constexpr std::uint8_t ExecEnd = 12, ExecReset = 13;
inline constexpr std::uint32_t CallbackRegView = 3, CallbackCommand = 4, CallbackRefresh = 5,
                               CallbackStatus = 8;
inline constexpr std::uint32_t MessageSerial = 3, MessageEndSession = 5, MessageOutput = 12;
inline constexpr std::uint32_t NotifyId = 1152, TraceWindowId = 1153, DialogClosedId = 1154;
}  // namespace code

// The signatures of the twelve exports.
using AG_Init_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uintptr_t);
using AG_MemAcc_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint8_t*, MemRequest*, std::uint32_t);
using AG_RegAcc_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint32_t, void*);
using AG_AllReg_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint8_t*);
using AG_MemAtt_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint32_t, AttRequest*);
using AG_BpInfo_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint32_t*);
using AG_BreakFunc_t = BpRecord*(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint32_t, std::uint32_t*, BpRecord*);
using AG_GoStep_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint32_t, std::uint32_t*);
using AG_Serial_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint16_t, std::uint32_t, std::uint32_t, std::uint32_t);
using AG_HistFunc_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint32_t, std::int32_t, std::int32_t, void*);
using DllUv3Cap_t = std::uint32_t(TARVEX_AGDI_CALL*)(std::uint32_t, void*);
using EnumUv351_t = std::uint32_t(TARVEX_AGDI_CALL*)(void*, std::uint32_t);

// ---- Layouts
#if defined(_WIN64) || defined(__LP64__)
static_assert(offsetof(AttRequest, cell) == 16 && sizeof(AttRequest) == 24);
static_assert(offsetof(BpRecord, flags) == 16 && offsetof(BpRecord, address) == 20 &&
              offsetof(BpRecord, passCount) == 48 && sizeof(BpRecord) == 56);
static_assert(offsetof(ProjectRecord, projectFile) == 2584 && offsetof(ProjectRecord, programFile) == 2592);
static_assert(sizeof(RegGroup) == 10);
static_assert(offsetof(RegViewDescriptor, groups) == 8 && offsetof(RegViewDescriptor, items) == 16 &&
              offsetof(RegViewDescriptor, read) == 24 && offsetof(RegViewDescriptor, write) == 32 &&
              sizeof(RegViewDescriptor) == 40);
static_assert(offsetof(MenuEntry, caption) == 8 && offsetof(MenuEntry, handler) == 16 &&
              offsetof(MenuEntry, id) == 28 && offsetof(MenuEntry, descriptor) == 32 && sizeof(MenuEntry) == 40);
static_assert(offsetof(DialogDescriptor, window) == 8 && offsetof(DialogDescriptor, rect) == 20 &&
              offsetof(DialogDescriptor, update) == 40 && offsetof(DialogDescriptor, close) == 48 &&
              sizeof(DialogDescriptor) == 64);
static_assert(offsetof(NotificationRecord, data) == 8 && offsetof(NotificationRecord, result) == 16 &&
              sizeof(NotificationRecord) == 24);
static_assert(sizeof(CapRecord) == 56);
#else
static_assert(sizeof(AttRequest) == 12);
static_assert(offsetof(BpRecord, flags) == 8 && offsetof(BpRecord, address) == 12 &&
              offsetof(BpRecord, passCount) == 40 && sizeof(BpRecord) == 44);
static_assert(offsetof(ProjectRecord, projectFile) == 2584 && offsetof(ProjectRecord, programFile) == 2588);
static_assert(sizeof(RegGroup) == 6);
static_assert(sizeof(RegViewDescriptor) == 24 && offsetof(RegViewDescriptor, write) == 20);
static_assert(sizeof(MenuEntry) == 24 && offsetof(MenuEntry, id) == 16 && offsetof(MenuEntry, descriptor) == 20);
static_assert(sizeof(DialogDescriptor) == 40 && offsetof(DialogDescriptor, update) == 28);
static_assert(sizeof(NotificationRecord) == 16);
static_assert(sizeof(CapRecord) == 28);
#endif
static_assert(offsetof(ProjectRecord, exePath) == 1040 && offsetof(ProjectRecord, optionString) == 1300 &&
              offsetof(ProjectRecord, text1) == 5072 && offsetof(ProjectRecord, text2) == 5136 &&
              sizeof(ProjectRecord) >= 5200);
static_assert(sizeof(RegItem) == 65 && offsetof(RegItem, name) == 5 && offsetof(RegItem, changed) == 23 &&
              offsetof(RegItem, text) == 25 && offsetof(RegItem, value) == 57);
static_assert(sizeof(SerialRecord) == 20);

}  // namespace tarvex::agdi
