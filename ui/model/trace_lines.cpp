#include "ui/model/trace_lines.hpp"

#include <algorithm>

#include "core/line_table.hpp"

namespace tarvex::ui {

bool TraceRange::contains(std::uint32_t a) const { return std::binary_search(addresses.begin(), addresses.end(), a); }

const TraceRange* CollapsedRanges::find(std::uint32_t address) const {
    // Ranges are ordered by their first address: only those that start at
    // or below the address can hold it. They do not overlap by first address,
    // but one may reach past the start of the next, so the candidates below
    // are tried from the nearest down.
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), address,
                               [](std::uint32_t a, const std::unique_ptr<TraceRange>& r) { return a < r->first(); });
    while (it != ranges_.begin()) {
        --it;
        if ((*it)->contains(address)) return it->get();
    }
    return nullptr;
}

bool CollapsedRanges::add(std::vector<std::uint32_t> addresses) {
    if (addresses.empty()) return false;
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    if (find(addresses.front())) return false;
    auto range = std::make_unique<TraceRange>();
    range->addresses = std::move(addresses);
    auto at = std::upper_bound(ranges_.begin(), ranges_.end(), range->first(),
                               [](std::uint32_t a, const std::unique_ptr<TraceRange>& r) { return a < r->first(); });
    ranges_.insert(at, std::move(range));
    return true;
}

bool CollapsedRanges::remove(const TraceRange* range) {
    auto it = std::find_if(ranges_.begin(), ranges_.end(), [&](const auto& r) { return r.get() == range; });
    if (it == ranges_.end()) return false;
    ranges_.erase(it);
    return true;
}

void TraceLineBuilder::reset() {
    last_.reset();
    flowEnd_.reset();
    openRange_ = nullptr;
}

const TZeilennummer* TraceLineBuilder::sourceLineAt(const TraceFrameData& f) const {
    if (!context_.lines) return nullptr;
    return context_.lines->FindByAddress(f.bankAddress, 1);
}

void TraceLineBuilder::addFrame(std::uint32_t i, std::vector<TTraceItem>& out) {
    const TraceFrameData f = source_.frame(i);
    const bool opcode = f.cycleKind == TTraceFrame::KindOpcode;
    const bool code = opcode || f.cycleKind == TTraceFrame::KindFetch;

    if (collapsed_ && collapsed_->count() > 0) {
        if (code) {
            const TraceRange* r = collapsed_->find(f.address);
            if (r) {
                if (r == openRange_) return;
                openRange_ = r;
                TTraceItem item;
                item.kind = TTraceItem::Collapsed;
                item.frame = i;
                item.address = f.address;
                item.time = f.time;
                item.range = r;
                out.push_back(std::move(item));
                last_ = TTraceItem::Collapsed;
                flowEnd_.reset();
                return;
            }
            openRange_ = nullptr;
        } else if (openRange_) {
            // The data cycles of a hidden instruction are hidden with it.
            return;
        }
    }

    // The flow test compares instruction fetches only: data cycles sit at
    // data addresses and neither make nor break a gap.
    TBasisTracePlatine::FrameText text;
    const bool needText = opcode || mode_ == tdZyklus || (mode_ != tdSource && f.cycleKind != TTraceFrame::KindFetch);
    if (needText) text = source_.disassemble(i);
    if (opcode) {
        if (!contextMode_ && last_ && *last_ != TTraceItem::Gap && *last_ != TTraceItem::Collapsed && flowEnd_ &&
            f.address != *flowEnd_) {
            TTraceItem gap;
            gap.kind = TTraceItem::Gap;
            gap.frame = i;
            gap.address = f.address;
            out.push_back(std::move(gap));
            last_ = TTraceItem::Gap;
        }
        flowEnd_ = f.address + static_cast<std::uint32_t>(std::max(text.length, 1));
    }

    auto base = [&](TTraceItem::Kind kind) {
        TTraceItem item;
        item.kind = kind;
        item.frame = i;
        item.address = f.address;
        item.time = f.time;
        item.cycleKind = f.cycleKind;
        item.addressText = f.addressText;
        item.breakText = f.logicProbeText;
        item.probeText = f.portText;
        return item;
    };

    if (opcode && (mode_ == tdMixedMode || mode_ == tdSource)) {
        if (const TZeilennummer* line = sourceLineAt(f)) {
            TTraceItem item = base(TTraceItem::Source);
            item.lineRecord = line;
            item.lineNumber = static_cast<std::uint32_t>(std::max(line->line, 0));
            item.module = line->moduleId;
            item.instruction = source_.modulText(i);
            item.length = static_cast<std::uint8_t>(std::clamp(text.length, 0, 255));
            out.push_back(std::move(item));
            last_ = TTraceItem::Source;
        }
    }

    const bool frameLine = mode_ == tdZyklus || ((mode_ == tdDisassembliert || mode_ == tdMixedMode) &&
                                                 f.cycleKind != TTraceFrame::KindFetch);
    if (!frameLine) return;
    TTraceItem item = base(TTraceItem::Line);
    item.instruction = text.instruction;
    item.length = static_cast<std::uint8_t>(std::clamp(text.length, 0, 255));
    if (mode_ == tdZyklus) {
        item.data = f.dataText;
        item.label = f.cycleText;
        if (!opcode) item.instruction.clear();
    } else {
        item.data = text.hex;
        item.label = text.third;
    }
    out.push_back(std::move(item));
    last_ = TTraceItem::Line;
}

}  // namespace tarvex::ui
