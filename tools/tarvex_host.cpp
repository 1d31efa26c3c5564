// tarvex-host: a stand-in for the IDE. It loads the driver library by name,
// plays the IDE's side of the driver interface step by step from a session
// script, and prints what the driver answers and tells it. The board is the
// simulator behind the stand-in D2XX library (or a serial port), reached
// through the driver's real transports.
//
//   tarvex-host [--driver PATH] [--var NAME=VALUE]... [--work DIR] SCRIPT
//
// On Windows the script may also play the user at the driver's windows:
// "answer CAPTION KEYS" types KEYS into the next window captioned CAPTION
// once it shows ({TAB}, {ENTER}, {ESC}, {SPACE}, {UP} and {DOWN} are those
// keys; all else is typed as it stands).
//
// Exit code 0 when the script ran to its end (whatever the driver answered),
// 1 on a script error, 2 on usage.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/errors.hpp"
#include "core/intel_hex.hpp"
#include "core/omf_reader.hpp"
#include "core/symbol_table.hpp"
#include "emulator/disassembler.hpp"
#include "host/agdi_records.hpp"
#include "platform/dynlib.hpp"
#include "platform/files.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"

#ifdef _WIN32
#include <windows.h>

#include <deque>
#endif

namespace {

namespace agdi = tarvex::agdi;
using tarvex::platform::DynamicLibrary;

constexpr const char* SettingsKey = "Software\\Velmont\\VokWin\\7.3";
// In the Windows WM_USER range.
constexpr std::uint32_t MessageId = 0x07E8;

struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string hex(std::uint32_t v, int digits) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%0*X", digits, v);
    return b;
}

std::string quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text; p && *p; ++p) {
        switch (*p) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '"':
            out += "\\\"";
            break;
        default:
            out += *p;
        }
    }
    return out + "\"";
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            if (end == std::string::npos) throw ScriptError("unterminated quote");
            out.push_back(line.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            std::size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
            out.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

std::uint32_t number(const std::string& text) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || !end || *end) throw ScriptError("not a number: " + text);
    return static_cast<std::uint32_t>(v);
}

// Contiguous runs of a program image.
struct Block {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

std::vector<Block> blocksOf(const std::map<std::uint32_t, std::uint8_t>& image) {
    std::vector<Block> blocks;
    for (const auto& [address, value] : image) {
        if (blocks.empty() || blocks.back().address + blocks.back().bytes.size() != address)
            blocks.push_back({address, {}});
        blocks.back().bytes.push_back(value);
    }
    return blocks;
}

// The stand-in's own policy, not a loader's: checksums unchecked, record
// types it does not know passed over; only the line decoding is shared.
std::vector<Block> readHex(const std::string& path) {
    using namespace tarvex;
    std::ifstream in(path);
    if (!in) throw ScriptError("cannot read " + path);
    std::map<std::uint32_t, std::uint8_t> image;
    std::uint32_t base = 0;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        HexRecord r;
        if (line[0] != ':' || line.size() < HexLineLength(0) || line.size() % 2 != 1 ||
            DecodeHexLine(line, r, false) != HexLineStatus::Ok)
            throw ScriptError("bad HEX line in " + path);
        if (line.size() != HexLineLength(r.count)) throw ScriptError("bad HEX record length in " + path);
        if (DecodeHexLine(line, r, true) != HexLineStatus::Ok) throw ScriptError("bad HEX line in " + path);
        const std::uint32_t upper = static_cast<std::uint32_t>(r.data[0] << 8 | r.data[1]);
        if (r.type == hexrecord::Data) {
            for (std::size_t i = 0; i < r.count; ++i) image[base + ((r.address + i) & 0xFFFF)] = r.data[i];
        } else if (r.type == hexrecord::EndOfFile) {
            break;
        } else if (r.type == hexrecord::ExtendedSegment && r.count == 2) {
            base = upper << 4;
        } else if (r.type == hexrecord::ExtendedLinear && r.count == 2) {
            base = upper << 16;
        }
    }
    return blocksOf(image);
}

// The program of an object file as the IDE reads it for itself: the code
// bytes in contiguous runs, and the names of code addresses for its own
// disassembly. The driver reads the same file for its symbols at start-up.
struct ObjectProgram {
    std::vector<Block> blocks;
    std::vector<std::pair<std::string, tarvex::TBankAdresse>> codeNames;
};

std::uint32_t linear(const tarvex::TBankAdresse& a) {
    return (a.banked && !a.allBanks ? std::uint32_t{a.bank} << 16 : 0) | a.offset;
}

ObjectProgram readObject(const std::string& path) {
    using namespace tarvex;
    if (platform::fileKind(path) != platform::FileKind::Regular) throw ScriptError("cannot read " + path);
    ObjectProgram program;
    std::map<std::uint32_t, std::uint8_t> image;
    try {
        TOmfReader reader;
        reader.SetFileName(path);
        while (!reader.Eof()) {
            const auto rec = reader.ReadRecord();
            if (rec->recordType == omf::Content) {
                const TBankAdresse at = OmfSegmentAddress(reader.extendedHeader(), rec->segmentId, rec->offset);
                for (std::size_t i = 0; i < rec->data.size(); ++i)
                    image[(linear(at) & 0xFF0000) | ((at.offset + i) & 0xFFFF)] = rec->data[i];
            } else if (rec->recordType == omf::Content2 && reader.IsCodeContent(*rec)) {
                const std::uint32_t at = reader.RecordAddress(*rec) & 0xFFFFFF;
                for (std::size_t i = 0; i < rec->data.size(); ++i)
                    image[(at & 0xFF0000) | ((at + i) & 0xFFFF)] = rec->data[i];
            } else if ((rec->recordType == omf::DebugItems || rec->recordType == omf::DebugItems2) &&
                       (rec->kind == omf::LocalSymbols || rec->kind == omf::PublicSymbols)) {
                for (const auto& item : rec->items) {
                    if (item->SegmentType() != 0 || item->name.empty()) continue;
                    program.codeNames.emplace_back(
                        item->name, OmfSegmentAddress(reader.extendedHeader(), item->segmentId,
                                                      static_cast<std::uint16_t>(item->offset)));
                }
            } else if (rec->recordType == omf::Symbols88 || rec->recordType == omf::Symbols8C ||
                       rec->recordType == omf::SymbolsD0) {
                for (const auto& item : rec->items) {
                    if (!reader.IsCodeSymbol(*item) || item->name.empty()) continue;
                    const OmfBankOffset at = reader.SymbolBankOffset(*item);
                    TBankAdresse a = UnbankedAdresse(at.offset);
                    if (at.bank != 0) {
                        a.banked = true;
                        a.bank = at.bank;
                    }
                    program.codeNames.emplace_back(item->name, a);
                }
            }
        }
    } catch (const Exception& e) {
        throw ScriptError("cannot read " + path + ": " + e.message());
    }
    program.blocks = blocksOf(image);
    return program;
}

bool isObjectFile(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext != ".hex" && ext != ".ihx";
}

#ifdef _WIN32
// The user at the screen: the next window of this program with a given
// caption gets keys, one after another, each once the window's own message
// loop has taken the one before (a Tab moves the focus before the next
// character is typed). A window's showing is seen by a hook on this thread,
// the only one that makes windows.
class Typist {
public:
    Typist() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Typist::proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TarvexHostTypist";
        RegisterClassA(&wc);
        helper_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        self_ = this;
    }
    ~Typist() {
        if (hook_) UnhookWindowsHookEx(hook_);
        if (helper_) DestroyWindow(helper_);
        self_ = nullptr;
    }
    Typist(const Typist&) = delete;
    Typist& operator=(const Typist&) = delete;

    void expect(const std::string& caption, const std::string& keys) {
        Answer a{caption, {}};
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == '{') {
                const std::size_t end = keys.find('}', i);
                if (end == std::string::npos) throw ScriptError("unterminated { in keys");
                const std::string name = keys.substr(i + 1, end - i - 1);
                const WPARAM key = name == "TAB"     ? VK_TAB
                                   : name == "ENTER" ? VK_RETURN
                                   : name == "ESC"   ? VK_ESCAPE
                                   : name == "SPACE" ? VK_SPACE
                                   : name == "DOWN"  ? VK_DOWN
                                   : name == "UP"    ? VK_UP
                                                     : 0;
                if (!key) throw ScriptError("unknown key {" + name + "}");
                a.keys.push_back({0, key});
                i = end;
            } else {
                a.keys.push_back({keys[i], 0});
            }
        }
        pending_.push_back(std::move(a));
        if (!hook_) hook_ = SetWindowsHookExA(WH_CBT, &Typist::cbt, nullptr, GetCurrentThreadId());
    }
    // The captions still waited for.
    std::vector<std::string> waiting() const {
        std::vector<std::string> out;
        for (const auto& a : pending_) out.push_back(a.caption);
        return out;
    }

private:
    struct Key {
        char character;
        WPARAM virtualKey;
    };
    struct Answer {
        std::string caption;
        std::vector<Key> keys;
    };

    static LRESULT CALLBACK cbt(int code, WPARAM wParam, LPARAM lParam) {
        if (self_ && (code == HCBT_ACTIVATE || code == HCBT_SETFOCUS)) self_->seen(reinterpret_cast<HWND>(wParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP && self_) {
            self_->typeNext();
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    void seen(HWND window) {
        if (!window || pending_.empty()) return;
        HWND root = GetAncestor(window, GA_ROOT);
        char text[256] = {};
        GetWindowTextA(root ? root : window, text, sizeof text);
        for (auto a = pending_.begin(); a != pending_.end(); ++a) {
            if (a->caption != text) continue;
            for (const Key& k : a->keys) typing_.push_back(k);
            pending_.erase(a);
            PostMessageA(helper_, WM_APP, 0, 0);
            return;
        }
    }
    void typeNext() {
        HWND focus = GetFocus();
        // A key that moves the focus has done so (the system moves it a few
        // messages later) before the next key is typed; a few hundred rounds
        // without a move: it stays where it is.
        if (movedFrom_ && focus == movedFrom_ && ++rounds_ < 500) {
            PostMessageA(helper_, WM_APP, 0, 0);
            return;
        }
        movedFrom_ = nullptr;
        rounds_ = 0;
        if (typing_.empty() || !focus) return;
        const Key k = typing_.front();
        typing_.pop_front();
        if (k.virtualKey) {
            PostMessageA(focus, WM_KEYDOWN, k.virtualKey, 1);
            PostMessageA(focus, WM_KEYUP, k.virtualKey, 0xC0000001);
            if (k.virtualKey != VK_RETURN && k.virtualKey != VK_ESCAPE && k.virtualKey != VK_SPACE) movedFrom_ = focus;
        } else {
            PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(k.character), 1);
        }
        if (!typing_.empty()) PostMessageA(helper_, WM_APP, 0, 0);
    }

    static inline Typist* self_ = nullptr;
    HWND helper_ = nullptr;
    HHOOK hook_ = nullptr;
    std::deque<Answer> pending_;
    std::deque<Key> typing_;
    HWND movedFrom_ = nullptr;
    int rounds_ = 0;
};
#endif

class Host;
Host* theHost = nullptr;

class Host {
public:
    explicit Host(std::string work) : work_(std::move(work)) {
        theHost = this;
        project_ = std::make_unique<agdi::ProjectRecord>();
        std::memset(project_.get(), 0, sizeof(agdi::ProjectRecord));
        sink_.context = this;
        sink_.send = &Host::sinkSend;
        sink_.post = &Host::sinkPost;
        window_.emplace(sink_);
    }
    ~Host() { theHost = nullptr; }

    void loadDriver(const std::string& path) {
        driverName_ = path.empty() ? tarvex::platform::sharedLibraryName("Tarvex") : path;
        driver_ = DynamicLibrary::load(driverName_);
        if (!driver_.loaded()) throw ScriptError("driver " + driverName_ + " not loaded: " + driver_.errorText());
        bind(init_, "AG_Init");
        bind(memAcc_, "AG_MemAcc");
        bind(regAcc_, "AG_RegAcc");
        bind(allReg_, "AG_AllReg");
        bind(memAtt_, "AG_MemAtt");
        bind(bpInfo_, "AG_BpInfo");
        bind(breakFunc_, "AG_BreakFunc");
        bind(goStep_, "AG_GoStep");
        bind(serial_, "AG_Serial");
        bind(histFunc_, "AG_HistFunc");
        bind(cap_, "DllUv3Cap");
        bind(enum_, "EnumUv351");
    }

    void run(const std::vector<std::string>& w);
    void say(const std::string& line);
    // Messages the driver posted, printed after its call returned.
    void flushPosted();

private:
    template <typename Fn>
    void bind(Fn& fn, const char* name) {
        fn = driver_.function<Fn>(name);
        if (!fn) throw ScriptError(std::string("export ") + name + " not found in " + driverName_);
    }

    static std::intptr_t sinkSend(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        static_cast<Host*>(context)->message(message, wParam, lParam);
        return 0;
    }
    static void sinkPost(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
        auto* host = static_cast<Host*>(context);
        std::lock_guard<std::mutex> g(host->mutex_);
        if (message == MessageId) host->posted_.push_back(static_cast<std::uint32_t>(wParam));
    }
    void message(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    static std::uint32_t TARVEX_AGDI_CALL callback(std::uint32_t code, void* data);

    std::string masked(std::string text) const {
        if (work_.empty()) return text;
        for (std::size_t at; (at = text.find(work_)) != std::string::npos;) text.replace(at, work_.size(), "${WORK}");
        return text;
    }
    using Words = std::vector<std::string>;
    // One step of the script: its first word and what plays it.
    struct Step {
        std::string_view name;
        void (Host::*play)(const Words& w);
    };
    static const Step steps[];

    void setting(const Words& w);
    void simStep(const Words& w);
    void project(const Words& w);
    void cap(const Words& w);
    void start(const Words& w);
    void loadStep(const Words& w);
    void verifyStep(const Words& w);
    void regsStep(const Words& w);
    void reg(const Words& w);
    void write(const Words& w);
    void disasmStep(const Words& w);
    void breaks(const Words& w);
    void bpinfo(const Words& w);
    void step(const Words& w);
    void stop(const Words& w);
    void reset(const Words& w);
    void trace(const Words& w);
    void serial(const Words& w);
    void menuStep(const Words& w);
    void answer(const Words& w);
    void init(const Words& w);
    void end(const Words& w);

    std::uint32_t spaceOf(const std::string& name, std::uint32_t address, std::size_t& used,
                          const std::vector<std::string>& w) const;
    void memory(const std::vector<std::string>& w);
    std::vector<Block> programBlocks(const std::string& path);
    void loadFile(const std::string& path);
    void verify(const std::string& path);
    void regs();
    void disasm(std::uint32_t address, std::uint32_t count);
    void breakStep(const std::vector<std::string>& w);
    void go(const std::vector<std::string>& w);
    void sim(const std::string& request);
    // The entry of that caption, the nth of them (from 1) where several share it.
    void menu(const std::string& caption, int occurrence = 1);
    void printPc(bool timing);
    std::uint32_t cellBits(std::uint32_t address);


    std::string work_;
    std::string driverName_;
    DynamicLibrary driver_;
    DynamicLibrary standin_;
    std::uint32_t(*simControl_)(const char*, char*, std::uint32_t) = nullptr;
    agdi::AG_Init_t init_ = nullptr;
    agdi::AG_MemAcc_t memAcc_ = nullptr;
    agdi::AG_RegAcc_t regAcc_ = nullptr;
    agdi::AG_AllReg_t allReg_ = nullptr;
    agdi::AG_MemAtt_t memAtt_ = nullptr;
    agdi::AG_BpInfo_t bpInfo_ = nullptr;
    agdi::AG_BreakFunc_t breakFunc_ = nullptr;
    agdi::AG_GoStep_t goStep_ = nullptr;
    agdi::AG_Serial_t serial_ = nullptr;
    agdi::AG_HistFunc_t histFunc_ = nullptr;
    agdi::DllUv3Cap_t cap_ = nullptr;
    agdi::EnumUv351_t enum_ = nullptr;

    std::unique_ptr<agdi::ProjectRecord> project_;
    std::unique_ptr<tarvex::TSymboltabelle> symbols_;
    std::string projectFile_;
    tarvex::platform::HostMessageSink sink_{};
    std::optional<tarvex::platform::HostWindow> window_;
    std::mutex mutex_;
    std::vector<std::uint32_t> posted_;
    // The IDE's variables the driver writes.
    std::uint32_t pcVar_ = 0;
    void* activeWindow_ = nullptr;
    std::uintptr_t menuTable_ = 0;
    std::uintptr_t dialogUpdate_ = 0;
    agdi::RegViewDescriptor* regView_ = nullptr;
    // The breakpoint list: records owned here, linked through `next`.
    std::vector<std::unique_ptr<agdi::BpRecord>> breaks_;
    agdi::BpRecord* breakHead_ = nullptr;
#ifdef _WIN32
    Typist typist_;
#endif
};

void Host::say(const std::string& line) {
    std::lock_guard<std::mutex> g(mutex_);
    std::cout << masked(line) << '\n' << std::flush;
}

void Host::flushPosted() {
    window_->pump();
    std::vector<std::uint32_t> posted;
    {
        std::lock_guard<std::mutex> g(mutex_);
        posted.swap(posted_);
    }
    for (std::uint32_t p : posted) say("posted " + std::to_string(p));
}

void Host::message(std::uint32_t id, std::uintptr_t wParam, std::intptr_t lParam) {
    if (id != MessageId) return;
    if (wParam == agdi::code::MessageSerial) {
        const auto* r = reinterpret_cast<const agdi::SerialRecord*>(lParam);
        std::string line = "message 3:";
        for (std::uint32_t v : r->word) line += " " + std::to_string(v);
        say(line);
    } else if (wParam == agdi::code::MessageOutput) {
        say("message 12: " + quoted(reinterpret_cast<const char*>(lParam)));
    } else {
        say("message " + std::to_string(wParam));
    }
}

std::uint32_t TARVEX_AGDI_CALL Host::callback(std::uint32_t code, void* data) {
    Host* h = theHost;
    if (!h) return 0;
    if (code == agdi::code::CallbackRegView) {
        h->regView_ = static_cast<agdi::RegViewDescriptor*>(data);
        h->say("callback 3: register view, " + std::to_string(h->regView_->groupCount) + " groups, " +
               std::to_string(h->regView_->itemCount) + " items");
    } else if (code == agdi::code::CallbackCommand || code == agdi::code::CallbackStatus) {
        h->say("callback " + std::to_string(code) + ": " + quoted(static_cast<const char*>(data)));
    } else {
        h->say("callback " + std::to_string(code));
    }
    return 0;
}


void Host::printPc(bool timing) {
    say(std::string(timing ? "~" : "") + "PC variable " + hex(pcVar_, 8));
}

std::uint32_t Host::cellBits(std::uint32_t address) {
    agdi::AttRequest r{};
    r.address = address;
    memAtt_(2, 0, &r);
#if defined(_WIN64) || defined(__LP64__)
    const std::uint32_t* cell = r.cell;
#else
    const auto* cell = reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(r.address));
#endif
    return cell ? *cell : 0xFFFFFFFFu;
}

std::uint32_t Host::spaceOf(const std::string& name, std::uint32_t address, std::size_t& used,
                            const std::vector<std::string>& w) const {
    used = 1;
    if (name == "code") return 0xFF000000u | address;
    if (name == "data" || name == "sfr") return 0xF0000000u | address;
    if (name == "idata") return 0xF3000000u | address;
    if (name == "xdata") return 0x01000000u | address;
    if (name == "space" && w.size() > 2) {
        used = 2;
        return number(w[2]) << 24 | address;
    }
    throw ScriptError("unknown memory " + name);
}

void Host::memory(const std::vector<std::string>& w) {
    if (w.size() < 4) throw ScriptError("mem needs a memory, an address and a count");
    std::size_t used = 1;
    const bool space = w[1] == "space";
    const std::uint32_t address = number(w[space ? 3 : 2]);
    std::uint32_t host = spaceOf(w[1], address & 0xFFFFFF, used, w);
    const std::uint32_t count = number(w[space ? 4 : 3]);
    if (space && w.size() < 5) throw ScriptError("mem space needs a count");
    std::vector<std::uint8_t> buffer(count);
    agdi::MemRequest r{host, 0};
    const std::uint32_t result = memAcc_(w[1] == "code" ? 4 : 1, buffer.data(), &r, count);
    say("AG_MemAcc = " + std::to_string(result) + ", status " + std::to_string(r.status));
    if (result != 0) return;
    for (std::uint32_t i = 0; i < count; i += 16) {
        std::string line = hex((host + i) & 0xFFFF, 4) + ":";
        for (std::uint32_t j = i; j < count && j < i + 16; ++j) {
            char b[4];
            std::snprintf(b, sizeof b, " %02X", buffer[j]);
            line += b;
        }
        say(line);
    }
}

std::vector<Block> Host::programBlocks(const std::string& path) {
    if (!isObjectFile(path)) return readHex(path);
    ObjectProgram program = readObject(path);
    // The names the IDE's own disassembly shows, as of the last object file.
    symbols_ = std::make_unique<tarvex::TSymboltabelle>();
    for (const auto& [name, address] : program.codeNames)
        symbols_->AddSymbol(tarvex::sspProgram, name, 0, 1, 0, 1, tarvex::symbol_class::None, address);
    return std::move(program.blocks);
}

void Host::loadFile(const std::string& path) {
    const auto blocks = programBlocks(path);
    init_(agdi::code::Item + agdi::code::ItemDownloadOn, 0);
    for (const Block& b : blocks) {
        std::vector<std::uint8_t> bytes = b.bytes;
        agdi::MemRequest r{0xFF000000u | b.address, 0};
        const std::uint32_t result = memAcc_(3, bytes.data(), &r, static_cast<std::uint32_t>(bytes.size()));
        agdi::AttRequest a{};
        a.address = 0xFF000000u | b.address;
        a.count = static_cast<std::uint32_t>(bytes.size());
        const std::uint32_t att = memAtt_(1, 3, &a);
        say("block " + hex(b.address, 4) + " " + std::to_string(bytes.size()) + " bytes: AG_MemAcc(3) = " +
            std::to_string(result) + ", AG_MemAtt(1) = " + std::to_string(att));
    }
    init_(agdi::code::Item + agdi::code::ItemDownloadOff, 0);
}

void Host::verify(const std::string& path) {
    for (const Block& b : programBlocks(path)) {
        std::vector<std::uint8_t> back(b.bytes.size());
        agdi::MemRequest r{0xFF000000u | b.address, 0};
        const std::uint32_t result = memAcc_(4, back.data(), &r, static_cast<std::uint32_t>(back.size()));
        if (result != 0) {
            say("read of " + hex(b.address, 4) + " answered " + std::to_string(result));
            return;
        }
        for (std::size_t i = 0; i < back.size(); ++i) {
            if (back[i] != b.bytes[i]) {
                say("difference at " + hex(static_cast<std::uint32_t>(b.address + i), 4) + ": file " +
                    hex(b.bytes[i], 2) + ", target " + hex(back[i], 2));
                return;
            }
        }
    }
    say("equal");
}

void Host::regs() {
    std::uint8_t block[26] = {};
    const std::uint32_t result = allReg_(1, block);
    std::string line = "AG_AllReg(1) = " + std::to_string(result) + ":";
    for (std::uint8_t b : block) {
        char t[4];
        std::snprintf(t, sizeof t, " %02X", b);
        line += t;
    }
    say(line);
    if (!regView_) return;
    for (std::uint32_t i = 0; i < regView_->itemCount; ++i) {
        agdi::RegItem& item = regView_->items[i];
        regView_->read(&item, 0);
        if (item.name[0] == '\0') continue;
        const std::string name(item.name, strnlen(item.name, sizeof item.name));
        const std::string text(item.text, strnlen(item.text, sizeof item.text));
        say(std::string(item.number == 21 ? "~" : "") + name + " " + text + (item.changed ? " *" : ""));
    }
}

void Host::disasm(std::uint32_t address, std::uint32_t count) {
    std::uint8_t code[64] = {};
    agdi::MemRequest r{0xFF000000u | address, 0};
    const std::uint32_t result = memAcc_(4, code, &r, sizeof code);
    say("AG_MemAcc(4) = " + std::to_string(result));
    if (result != 0) return;
    tarvex::Disassembler dis(symbols_.get(), nullptr, nullptr);
    std::uint32_t at = 0;
    for (std::uint32_t i = 0; i < count && at < sizeof code; ++i) {
        const auto pick = [&](std::uint32_t k) { return at + k < sizeof code ? code[at + k] : std::uint8_t{0}; };
        const auto d = dis.Disassemble(tarvex::UnbankedAdresse(static_cast<std::uint16_t>(address + at)), false,
                                       false, pick(0), pick(1), pick(2), pick(3));
        if (!d.label.empty()) say(d.label + ":");
        std::string hexText = d.hex;
        hexText.resize(8, ' ');
        say(hex((address + at) & 0xFFFF, 4) + "  " + hexText + "  " + d.instruction);
        at += static_cast<std::uint32_t>(d.length);
    }
}

void Host::breakStep(const std::vector<std::string>& w) {
    if (w.size() < 2) throw ScriptError("break needs an address");
    std::uint32_t address = 0xFF000000u | (number(w[1]) & 0xFFFFFF);
    if (w.size() == 3 && (w[2] == "disable" || w[2] == "enable" || w[2] == "kill")) {
        agdi::BpRecord* found = nullptr;
        agdi::BpRecord** link = &breakHead_;
        for (agdi::BpRecord** l = &breakHead_; *l; l = &(*l)->next) {
            if ((*l)->address == address) {
                found = *l;
                link = l;
                break;
            }
        }
        if (!found) throw ScriptError("no breakpoint at " + w[1]);
        agdi::BpRecord* answer = nullptr;
        if (w[2] == "kill") {
            answer = breakFunc_(2, 0, &address, found);
            *link = found->next;
        } else {
            found->flags = w[2] == "enable" ? (found->flags | agdi::BpEnabled) : (found->flags & ~agdi::BpEnabled);
            answer = breakFunc_(4, 0, &address, found);
        }
        say("AG_BreakFunc = " + std::string(answer == found ? "the record" : answer ? "another record" : "0"));
        say("AG_BpInfo(1) = " + hex(bpInfo_(1, &address), 2) + ", cell bits " + hex(cellBits(address) & 0x58, 2));
        return;
    }
    auto record = std::make_unique<agdi::BpRecord>();
    std::memset(record.get(), 0, sizeof(agdi::BpRecord));
    record->flags = agdi::BpEnabled;
    record->address = address;
    for (std::size_t i = 2; i + 1 < w.size(); i += 2) {
        if (w[i] == "type")
            record->flags = agdi::BpEnabled | (number(w[i + 1]) & 0x0F);
        else if (w[i] == "pass")
            record->passCount = number(w[i + 1]);
        else
            throw ScriptError("unknown break option " + w[i]);
    }
    agdi::BpRecord* r = record.get();
    r->next = breakHead_;
    breakHead_ = r;
    breaks_.push_back(std::move(record));
    agdi::BpRecord* answer = breakFunc_(5, 0, &address, r);
    say("AG_BreakFunc(5) = " + std::string(answer == r ? "the record" : "0"));
    if (answer == r) {
        answer = breakFunc_(1, 0, &address, r);
        say("AG_BreakFunc(1) = " + std::string(answer == r ? "the record" : "0"));
    } else {
        breakHead_ = r->next;
    }
    say("AG_BpInfo(1) = " + hex(bpInfo_(1, &address), 2));
}

void Host::go(const std::vector<std::string>& w) {
    std::uint32_t until = 0;
    bool hasUntil = false;
    long stopAfter = -1;
    for (std::size_t i = 1; i + 1 < w.size(); i += 2) {
        if (w[i] == "until") {
            until = 0xFF000000u | (number(w[i + 1]) & 0xFFFFFF);
            hasUntil = true;
        } else if (w[i] == "stop-after") {
            stopAfter = number(w[i + 1]);
        } else {
            throw ScriptError("unknown go option " + w[i]);
        }
    }
    std::thread stopper;
    std::atomic<std::uint32_t> stopResult{0};
    if (stopAfter >= 0) {
        stopper = std::thread([this, stopAfter, &stopResult] {
            std::this_thread::sleep_for(std::chrono::milliseconds(stopAfter));
            stopResult = goStep_(1, 0, nullptr);
        });
    }
    const std::uint32_t result = hasUntil ? goStep_(3, 0, &until) : goStep_(4, 0, nullptr);
    if (stopper.joinable()) stopper.join();
    flushPosted();
    if (stopAfter >= 0) say("stop: AG_GoStep(1) = " + std::to_string(stopResult.load()));
    say(std::string(hasUntil ? "AG_GoStep(3)" : "AG_GoStep(4)") + " = " + std::to_string(result));
    printPc(stopAfter >= 0);
}

void Host::sim(const std::string& request) {
    if (!simControl_) {
        standin_ = DynamicLibrary::load(tarvex::platform::sharedLibraryName("ftd2xx"));
        if (!standin_.loaded()) throw ScriptError("stand-in D2XX library not loaded: " + standin_.errorText());
        simControl_ = standin_.function<std::uint32_t (*)(const char*, char*, std::uint32_t)>("tarvex_sim_control");
        if (!simControl_) throw ScriptError("the D2XX library has no simulator control");
    }
    char reply[512];
    const std::uint32_t r = simControl_(request.c_str(), reply, sizeof reply);
    if (r != 0) throw ScriptError("sim: " + std::string(reply));
    say(reply);
}

void Host::menu(const std::string& caption, int occurrence) {
    auto* entry = reinterpret_cast<agdi::MenuEntry*>(menuTable_);
    for (; entry && entry->kind != agdi::MenuEnd; ++entry) {
        if (entry->kind == agdi::MenuItem && entry->caption && caption == entry->caption && --occurrence == 0) {
            if (entry->handler) entry->handler(entry);
            return;
        }
    }
    throw ScriptError("no menu entry " + caption);
}

const Host::Step Host::steps[] = {
    {"setting", &Host::setting},   {"sim", &Host::simStep},
    {"project", &Host::project},   {"cap", &Host::cap},
    {"start", &Host::start},       {"load", &Host::loadStep},
    {"verify", &Host::verifyStep}, {"regs", &Host::regsStep},
    {"mem", &Host::memory},        {"reg", &Host::reg},
    {"write", &Host::write},       {"disasm", &Host::disasmStep},
    {"break", &Host::breakStep},   {"breaks", &Host::breaks},
    {"bpinfo", &Host::bpinfo},     {"go", &Host::go},
    {"step", &Host::step},         {"stop", &Host::stop},
    {"reset", &Host::reset},       {"trace", &Host::trace},
    {"serial", &Host::serial},     {"menu", &Host::menuStep},
    {"answer", &Host::answer},     {"init", &Host::init},
    {"end", &Host::end},
};

void Host::run(const std::vector<std::string>& w) {
    const auto found = std::find_if(std::begin(steps), std::end(steps), [&w](const Step& s) { return s.name == w[0]; });
    if (found == std::end(steps)) throw ScriptError("unknown step " + w[0]);
    (this->*found->play)(w);
    flushPosted();
}

void Host::setting(const Words& w) {
    if (w.size() != 4) throw ScriptError("setting needs a section, a name and a value");
    char* end = nullptr;
    const long v = std::strtol(w[3].c_str(), &end, 10);
    auto& store = tarvex::platform::defaultSettings();
    if (!w[3].empty() && end && *end == '\0')
        store.writeInteger(SettingsKey, w[1], w[2], static_cast<std::int32_t>(v));
    else
        store.writeString(SettingsKey, w[1], w[2], w[3]);
}

void Host::simStep(const Words& w) {
    std::string request;
    for (std::size_t i = 1; i < w.size(); ++i) {
        if (i > 1) request += ' ';
        request += w[i].find(' ') != std::string::npos || (i == 2 && w[1] == "add-device") ? "\"" + w[i] + "\"" : w[i];
    }
    sim(request);
}

void Host::project(const Words& w) {
    if (w.size() < 3) throw ScriptError("project needs a folder and a name");
    const std::string dir = w[1], name = w[2];
    std::string options = dir + "/" + name + ".bopt", program;
    for (std::size_t i = 3; i + 1 < w.size(); i += 2) {
        if (w[i] == "program")
            program = w[i + 1];
        else if (w[i] == "options")
            options = w[i + 1];
        else
            throw ScriptError("unknown project option " + w[i]);
    }
    std::memset(project_.get(), 0, sizeof(agdi::ProjectRecord));
    std::strncpy(project_->exePath, tarvex::platform::executablePath().c_str(), sizeof project_->exePath - 1);
    std::strncpy(project_->optionString, options.c_str(), sizeof project_->optionString - 1);
    projectFile_ = dir + "/" + name + ".uv2";
    project_->projectFile = projectFile_.c_str();
    std::strncpy(project_->programFile, program.c_str(), sizeof project_->programFile - 1);
}

void Host::cap(const Words&) {
    say("DllUv3Cap(2) = " + std::to_string(cap_(2, nullptr)));
    say("EnumUv351(2) = " + std::to_string(enum_(project_.get(), 2)));
}

void Host::start(const Words&) {
    using namespace agdi::code;
    init_(Item + ItemCallback, reinterpret_cast<std::uintptr_t>(&Host::callback));
    init_(Item + ItemMessageId, MessageId);
    init_(Item + ItemHostWindow, window_->handle());
    init_(Item + ItemPcVar, reinterpret_cast<std::uintptr_t>(&pcVar_));
    init_(Item + ItemBreakpointList, reinterpret_cast<std::uintptr_t>(&breakHead_));
    init_(Item + ItemActiveWindow, reinterpret_cast<std::uintptr_t>(&activeWindow_));
    init_(Item + ItemInstance, 1);
    init_(Item + ItemMenu, reinterpret_cast<std::uintptr_t>(&menuTable_));
    init_(Item + ItemDialogUpdate, reinterpret_cast<std::uintptr_t>(&dialogUpdate_));
    std::string features = "features";
    for (std::uint16_t n = 1; n <= 7; ++n) features += " " + std::to_string(init_(Feature + n, 0));
    say(features);
    say(std::string("menu table ") + (menuTable_ ? "set" : "missing") + ", dialog update " +
        (dialogUpdate_ ? "set" : "missing"));
    const std::uint32_t r = init_(Startup, 0);
    flushPosted();
    say("AG_Init(0x100) = " + std::to_string(r));
}

void Host::loadStep(const Words& w) {
    if (w.size() != 2) throw ScriptError("load needs a file");
    loadFile(w[1]);
}

void Host::verifyStep(const Words& w) {
    if (w.size() != 2) throw ScriptError("verify needs a file");
    verify(w[1]);
}

void Host::regsStep(const Words&) {
    regs();
}

// As the IDE's register window writes a register: the view's item.
void Host::reg(const Words& w) {
    if (w.size() != 3) throw ScriptError("reg needs a name and a value");
    agdi::RegItem* item = nullptr;
    for (std::uint32_t i = 0; regView_ && i < regView_->itemCount; ++i) {
        const agdi::RegItem& candidate = regView_->items[i];
        if (w[1] == std::string(candidate.name, strnlen(candidate.name, sizeof candidate.name)))
            item = &regView_->items[i];
    }
    if (!item) throw ScriptError("no register " + w[1]);
    regView_->write(item, number(w[2]));
}

void Host::write(const Words& w) {
    if (w.size() < 4) throw ScriptError("write needs a memory, an address and bytes");
    std::size_t used = 1;
    const bool space = w[1] == "space";
    const std::uint32_t host = spaceOf(w[1], number(w[space ? 3 : 2]) & 0xFFFFFF, used, w);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = space ? 4 : 3; i < w.size(); ++i) bytes.push_back(static_cast<std::uint8_t>(number(w[i])));
    agdi::MemRequest r{host, 0};
    say("AG_MemAcc(2) = " + std::to_string(memAcc_(2, bytes.data(), &r, static_cast<std::uint32_t>(bytes.size()))));
}

void Host::disasmStep(const Words& w) {
    if (w.size() != 3) throw ScriptError("disasm needs an address and a count");
    disasm(number(w[1]) & 0xFFFF, number(w[2]));
}

void Host::breaks(const Words& w) {
    if (w.size() != 2 || (w[1] != "disable-all" && w[1] != "kill-all"))
        throw ScriptError("breaks disable-all|kill-all");
    const std::uint32_t n = bpInfo_(w[1] == "disable-all" ? 5 : 6, nullptr);
    say("AG_BpInfo = " + std::to_string(n));
}

void Host::bpinfo(const Words& w) {
    if (w.size() != 3) throw ScriptError("bpinfo needs a code and an address");
    std::uint32_t address = 0xFF000000u | (number(w[2]) & 0xFFFFFF);
    const std::uint32_t r = bpInfo_(static_cast<std::uint16_t>(number(w[1])), &address);
    say("AG_BpInfo(" + w[1] + ") = " + hex(r, 2) + ", cell bits " + hex(cellBits(address) & 0x58, 2));
}

void Host::step(const Words& w) {
    if (w.size() != 2) throw ScriptError("step needs a count");
    say("AG_GoStep(2) = " + std::to_string(goStep_(2, number(w[1]), nullptr)));
    printPc(false);
}

void Host::stop(const Words&) {
    say("AG_GoStep(1) = " + std::to_string(goStep_(1, 0, nullptr)));
}

void Host::reset(const Words&) {
    say("AG_Init(0x40D) = " + std::to_string(init_(agdi::code::Exec + agdi::code::ExecReset, 0)));
}

void Host::trace(const Words&) {
    if (regView_) {
        for (std::uint32_t i = 0; i < regView_->itemCount; ++i) {
            agdi::RegItem& item = regView_->items[i];
            if (item.number != 21) continue;
            regView_->read(&item, 0);
            say("~time " + std::string(item.text, strnlen(item.text, sizeof item.text)));
        }
    }
    menu("Trace memory");
}

void Host::serial(const Words& w) {
    if (w.size() != 4) throw ScriptError("serial needs three values");
    say("AG_Serial(1) = " + std::to_string(serial_(1, number(w[1]), number(w[2]), number(w[3]))));
}

void Host::menuStep(const Words& w) {
    if (w.size() != 2 && w.size() != 3) throw ScriptError("menu needs a caption (and which of its entries)");
    menu(w[1], w.size() == 3 ? static_cast<int>(number(w[2])) : 1);
}

void Host::answer(const Words& w) {
    if (w.size() != 3) throw ScriptError("answer needs a caption and keys");
#ifdef _WIN32
    typist_.expect(w[1], w[2]);
#else
    throw ScriptError("answer: the windows of the Windows build only");
#endif
}

void Host::init(const Words& w) {
    if (w.size() != 2) throw ScriptError("init needs a code");
    const std::uint32_t code = number(w[1]);
    say("AG_Init(" + hex(code, 3) + ") = " + std::to_string(init_(static_cast<std::uint16_t>(code), 0)));
}

void Host::end(const Words&) {
#ifdef _WIN32
    for (const std::string& caption : typist_.waiting()) say("no window " + quoted(caption.c_str()) + " showed");
#endif
    const std::uint32_t r = init_(agdi::code::Exec + agdi::code::ExecEnd, 0);
    flushPosted();
    say("AG_Init(0x40C) = " + std::to_string(r));
    say("option string " +
        std::string(project_->optionString, strnlen(project_->optionString, sizeof project_->optionString)));
    regView_ = nullptr;
    menuTable_ = 0;
    driver_.close();
}

int usage() {
    std::cerr << "usage: tarvex-host [--driver PATH] [--var NAME=VALUE]... [--work DIR] SCRIPT\n";
    return 2;
}

std::string expand(std::string line, const std::map<std::string, std::string>& vars) {
    for (std::size_t at = 0; (at = line.find("${", at)) != std::string::npos;) {
        const std::size_t end = line.find('}', at);
        if (end == std::string::npos) throw ScriptError("unterminated ${");
        const auto it = vars.find(line.substr(at + 2, end - at - 2));
        if (it == vars.end()) throw ScriptError("unknown variable " + line.substr(at, end - at + 1));
        line.replace(at, end - at + 1, it->second);
        at += it->second.size();
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    std::string driverPath, script;
    std::map<std::string, std::string> vars;
    std::string work = std::filesystem::current_path().string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--driver" && i + 1 < argc) {
            driverPath = argv[++i];
        } else if (a == "--work" && i + 1 < argc) {
            work = argv[++i];
        } else if (a == "--var" && i + 1 < argc) {
            const std::string v = argv[++i];
            const auto eq = v.find('=');
            if (eq == std::string::npos || eq == 0) return usage();
            vars[v.substr(0, eq)] = v.substr(eq + 1);
        } else if (!a.empty() && a[0] != '-' && script.empty()) {
            script = a;
        } else {
            return usage();
        }
    }
    if (script.empty()) return usage();
    vars["WORK"] = work;
    std::ifstream in(script);
    if (!in) {
        std::cerr << "tarvex-host: cannot read " << script << '\n';
        return 1;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        lines.push_back(line);
    }
    try {
        Host host(work);
        host.loadDriver(driverPath);
        std::size_t number = 0;
        for (const std::string& raw : lines) {
            ++number;
            const std::size_t first = raw.find_first_not_of(" \t");
            if (first == std::string::npos || raw[first] == '#') continue;
            try {
                const std::string line = expand(raw.substr(first), vars);
                host.say("> " + line);
                host.run(splitWords(line));
            } catch (const ScriptError& e) {
                std::cout << std::flush;
                std::cerr << script << ":" << number << ": " << e.what() << '\n';
                return 1;
            }
        }
    } catch (const ScriptError& e) {
        std::cerr << "tarvex-host: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
