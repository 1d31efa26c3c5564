#include "sim/command_log.hpp"

#include <cstdio>

namespace tarvex::sim {

void CommandLog::add(CommandRecord record) {
    CommandTally& t = tallies_[record.name];
    ++t.commands;
    t.bytes += record.bytes.size();
    ring_.push_back(std::move(record));
    trim();
}

void CommandLog::clear() {
    ring_.clear();
    tallies_.clear();
    dropped_ = 0;
}

void CommandLog::setCapacity(std::size_t entries) {
    capacity_ = entries;
    trim();
}

void CommandLog::trim() {
    while (ring_.size() > capacity_) {
        ring_.pop_front();
        ++dropped_;
    }
}

CommandTally CommandLog::tally(std::string_view name) const {
    const auto it = tallies_.find(name);
    return it == tallies_.end() ? CommandTally{} : it->second;
}

void CommandLog::print(std::ostream& out) const {
    char line[40];
    out << "command log: " << ring_.size() << " entries kept, " << dropped_ << " dropped\n";
    for (const auto& r : ring_) {
        std::snprintf(line, sizeof line, "%6u %-10.10s", static_cast<unsigned>(r.baud), r.name.c_str());
        out << line;
        for (std::uint8_t b : r.bytes) {
            std::snprintf(line, sizeof line, " %02X", static_cast<unsigned>(b));
            out << line;
        }
        out << '\n';
    }
    for (const auto& [name, t] : tallies_)
        out << "total " << name << ": " << t.commands << " commands, " << t.bytes << " bytes\n";
}

}  // namespace tarvex::sim
