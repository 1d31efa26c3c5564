#include "ui/model/trace_search.hpp"

#include <algorithm>

namespace tarvex::ui {

namespace {

// The logic-probe input as 16 characters, port 2 first.
std::string probes16(const std::string& probes) {
    std::string p = probes.size() > 16 ? probes.substr(probes.size() - 16) : probes;
    return std::string(16 - p.size(), 'X') + p;
}

const std::uint8_t kCycleBits[4] = {1, 2, 4, 8};

}  // namespace

std::string TraceSearch::dataBits(std::uint8_t low, std::uint8_t high) {
    std::string s(8, 'X');
    for (int bit = 7; bit >= 0; --bit) {
        const int a = low >> bit & 1, b = high >> bit & 1;
        if (a != b) break;
        s[static_cast<std::size_t>(7 - bit)] = a ? '1' : '0';
    }
    return s;
}

int TraceSearch::breakStateOf(const std::string& text) {
    if (text == "1") return 1;
    if (text == "2") return 2;
    if (text == "1+2") return 3;
    return 0;
}

TTraceQualifier TraceSearch::qualifier(const TraceFramePattern& p, std::uint8_t cycleBit, int breakState) const {
    TTraceQualifier q{};
    q[1] = p.forward ? 1 : 0;
    q[2] = p.fromStart ? 1 : 0;
    const std::string probes = probes16(p.probes);
    const std::string port2 = source_.version() == Trace72Bit ? probes.substr(4, 4) : probes.substr(0, 8);
    TTraceCycles cycles = 0;
    if (cycleBit & 1) cycles = CycleSet(TC_Opcode);
    if (cycleBit & 2) cycles = CycleSet(TC_Fetch);
    if (cycleBit & 4) cycles = CycleSet(TC_Read);
    if (cycleBit & 8) cycles = CycleSet(TC_Write);
    source_.encodeQualifier(q, cycles, breakState, port2 + dataBits(p.dataLow, p.dataHigh), 255);
    q[6] = static_cast<std::uint8_t>(p.addressLow.offset);
    q[7] = static_cast<std::uint8_t>(p.addressLow.offset >> 8);
    q[8] = static_cast<std::uint8_t>(p.addressHigh.offset);
    q[9] = static_cast<std::uint8_t>(p.addressHigh.offset >> 8);
    q[10] = p.dataLow;
    q[11] = p.dataHigh;
    return q;
}

bool TraceSearch::driverCheck(const TraceFramePattern& p, std::uint32_t frame) {
    const TraceFrameData f = source_.frame(frame);
    if (f.data < p.dataLow || f.data > p.dataHigh) return false;
    const std::string port1 = probes16(p.probes).substr(8);
    for (int bit = 0; bit < 8; ++bit) {
        const char c = port1[static_cast<std::size_t>(7 - bit)];
        if (c == 'X' || c == 'x') continue;
        if ((f.port1 >> bit & 1) != (c == '1' ? 1 : 0)) return false;
    }
    return true;
}

std::optional<std::uint32_t> TraceSearch::searchOne(const TraceFramePattern& p, std::uint8_t cycleBit,
                                                    int breakState, std::uint32_t start, bool forward) {
    const std::uint32_t count = source_.frameCount();
    if (start >= count) return std::nullopt;
    TraceFramePattern dir = p;
    dir.forward = forward;
    const TTraceQualifier q = qualifier(dir, cycleBit, breakState);
    std::uint32_t from = start;
    // Every pass moves past one frame: the loop ends within the trace.
    for (std::uint32_t pass = 0; pass <= count; ++pass) {
        std::uint32_t found = 0;
        if (!source_.searchFrame(from, q, found) || found >= count) return std::nullopt;
        if (forward ? found < from : found > from) return std::nullopt;
        if (driverCheck(p, found)) return found;
        if (forward) {
            if (found + 1 >= count) return std::nullopt;
            from = found + 1;
        } else {
            if (found == 0) return std::nullopt;
            from = found - 1;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> TraceSearch::findFrame(const TraceFramePattern& p, std::uint32_t start) {
    if (start >= source_.frameCount()) return std::nullopt;
    const std::uint8_t breaks = encodeBreaks(p.breaks);
    std::vector<int> states;
    if (breaks == 255) {
        states.push_back(255);
    } else if (breaks & 16) {
        // A changing event: the states other than the start frame's own that
        // hold every break ticked.
        const int own = breakStateOf(source_.frame(start).logicProbeText);
        for (int s = 0; s < 4; ++s)
            if (s != own && (s & (breaks & 3)) == (breaks & 3)) states.push_back(s);
    } else {
        states.push_back(breaks & 3);
    }
    std::vector<std::uint8_t> kinds;
    for (std::uint8_t bit : kCycleBits)
        if (p.cycles & bit) kinds.push_back(bit);
    if (kinds.empty()) kinds.push_back(0);
    std::optional<std::uint32_t> best;
    for (int s : states)
        for (std::uint8_t k : kinds) {
            const auto hit = searchOne(p, k, s, start, p.forward);
            if (!hit) continue;
            const auto distance = [&](std::uint32_t f) { return f > start ? f - start : start - f; };
            if (!best || distance(*hit) < distance(*best)) best = hit;
        }
    return best;
}

std::vector<std::uint32_t> TraceSearch::timeFilter(const TraceFramePattern& p) {
    std::vector<std::uint32_t> zeros;
    TraceFramePattern forward = p;
    forward.forward = true;
    const std::uint32_t count = source_.frameCount();
    for (std::uint32_t from = 0; from < count;) {
        const auto hit = findFrame(forward, from);
        if (!hit) break;
        zeros.push_back(*hit);
        from = *hit + 1;
    }
    return zeros;
}

}  // namespace tarvex::ui
