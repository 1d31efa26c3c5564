#pragma once
// Fakes of the target interfaces the shared core's tables are injected with.
// Header-only, so that test programs that do not use them need not link the
// core library.
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/target_interfaces.hpp"

namespace tarvex::test {

// Records every notification; an optional hook runs inside send, as a
// receiver of the dispatcher would.
class RecordingNotifier final : public INotifier {
public:
    struct Sent {
        std::uint8_t code;
        const void* data;
    };
    void send(std::uint8_t code, const void* data) override {
        sent.push_back({code, data});
        if (onSend) onSend(code, data);
    }
    int count(std::uint8_t code) const {
        int n = 0;
        for (const Sent& s : sent) n += s.code == code ? 1 : 0;
        return n;
    }
    std::vector<Sent> sent;
    std::function<void(std::uint8_t, const void*)> onSend;
};

// Code bytes by 16-bit offset; offsets not set are unavailable. Can be told
// to raise, as a reader that wraps a busy board carelessly would.
class ScriptedCodeReader final : public ICodeReader {
public:
    int read(TBankAdresse at, std::uint8_t* buf, int n) override {
        ++reads;
        if (raise) throw std::runtime_error("board busy");
        int got = 0;
        for (; got < n; ++got) {
            const auto it = bytes.find(static_cast<std::uint16_t>(at.offset + got));
            if (it == bytes.end() || at.offset + got > 0xFFFF) break;
            buf[got] = it->second;
        }
        return got;
    }
    std::map<std::uint16_t, std::uint8_t> bytes;
    bool raise = false;
    int reads = 0;
};

// Options with settable extensions and tool chain; the file search finds
// the names in `files` and answers the mapped path.
class FakeOptionsInfo final : public IOptionsInfo {
public:
    std::vector<std::string> sourceExts() const override { return exts; }
    int toolChain() const override { return chain; }
    bool findFile(std::string& name) const override {
        ++searches;
        const auto it = files.find(name);
        if (it == files.end()) return false;
        name = it->second;
        return true;
    }
    std::vector<std::string> exts{".c"};
    int chain = 0;
    std::map<std::string, std::string> files;
    mutable int searches = 0;
};

}  // namespace tarvex::test
