#include "host/register_view.hpp"

#include <algorithm>
#include <cstring>

namespace tarvex {

namespace {

constexpr HostRegisterView::PswField PswFields[] = {{"p", 0x01, 0},  {"f1", 0x02, 1}, {"ov", 0x04, 2}, {"rs", 0x18, 3},
                                                {"f0", 0x20, 5}, {"ac", 0x40, 6}, {"cy", 0x80, 7}};

}  // namespace

const HostRegisterView::PswField* HostRegisterView::PswFieldOf(std::uint16_t number) {
    if (number < ItemPswFirstField || number >= ItemEmpty) return nullptr;
    return &PswFields[number - ItemPswFirstField];
}

void HostRegisterView::Build(agdi::RegReadFn read, agdi::RegWriteFn write) {
    groups_ = {{0, 1, "Regs"}, {0, 1, "sys"}};
    struct Row {
        std::uint16_t number;
        const char* name;
        std::uint8_t group;
        std::uint32_t id;
    };
    std::vector<Row> rows;
    static const char* const rNames[] = {"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7"};
    for (std::uint16_t i = 0; i < 8; ++i) rows.push_back({i, rNames[i], 0, i});
    rows.push_back({16, "acc", 1, RegA});
    rows.push_back({17, "b", 1, RegB});
    rows.push_back({18, "sp", 1, RegSp});
    rows.push_back({19, "dptr", 1, RegDptr});
    rows.push_back({ItemPc, "PC  $", 1, RegPc});
    rows.push_back({ItemTime, "time", 1, RegTime});
    rows.push_back({ItemPsw, "psw", 1, RegPsw});
    for (std::uint16_t i = 0; i < 7; ++i)
        rows.push_back({static_cast<std::uint16_t>(ItemPswFirstField + i), PswFields[i].name, 1, RegPsw});
    rows.push_back({ItemEmpty, "", 1, 0xFFFFFFFFu});
    items_.assign(rows.size(), agdi::RegItem{});
    ids_.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        agdi::RegItem& item = items_[i];
        item.valid = 1;
        item.group = rows[i].group;
        item.number = rows[i].number;
        std::strncpy(item.name, rows[i].name, sizeof item.name - 1);
        ids_.push_back(rows[i].id);
    }
    descriptor_.groupCount = 2;
    descriptor_.itemCount = static_cast<std::uint32_t>(items_.size());
    descriptor_.groups = groups_.data();
    descriptor_.items = items_.data();
    descriptor_.read = read;
    descriptor_.write = write;
}

std::optional<std::uint32_t> HostRegisterView::IdOf(const agdi::RegItem* item) const {
    if (!item || item < items_.data() || item >= items_.data() + items_.size()) return std::nullopt;
    return ids_[static_cast<std::size_t>(item - items_.data())];
}

void HostRegisterView::Show(agdi::RegItem& item, std::uint32_t value, const std::function<std::string()>& text) {
    const bool differs = value != item.value;
    if (differs || item.text[0] == '\0') {
        const std::string shown = text();
        std::memset(item.text, 0, sizeof item.text);
        std::memcpy(item.text, shown.data(), std::min(shown.size(), sizeof item.text - 1));
    }
    if (differs) {
        item.changed = (item.number == ItemPc || item.number == ItemTime) ? 0 : 1;
        item.redraw = 1;
    } else if (item.changed == 1) {
        item.changed = 0;
        item.redraw = 1;
    }
    item.value = value;
    item.value2 = 0;
}

}  // namespace tarvex
