#pragma once
// What the board received, command by command. Counts and byte counts per
// command name are kept for the whole session (tests and benchmarks read
// them); the full entries are kept in a ring of settable size, which counts
// the entries it had to drop.
#include <cstdint>
#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::sim {

// One command as the board understood it. Bytes the board could not place
// are logged with the name "?"; bytes sent while RTS was off, or at another
// rate than the board's, with "ignored".
struct CommandRecord {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::uint32_t baud = 0;
};

struct CommandTally {
    std::uint64_t commands = 0;
    std::uint64_t bytes = 0;
};

class CommandLog {
public:
    // Enough for every command of a long test session.
    static constexpr std::size_t DefaultCapacity = 1u << 16;

    void add(CommandRecord record);
    void clear();
    // Fewer entries than kept now drops the oldest.
    void setCapacity(std::size_t entries);
    std::size_t capacity() const { return capacity_; }

    std::vector<CommandRecord> entries() const { return {ring_.begin(), ring_.end()}; }
    std::uint64_t dropped() const { return dropped_; }
    CommandTally tally(std::string_view name) const;
    const std::map<std::string, CommandTally, std::less<>>& tallies() const { return tallies_; }

    // One line per kept entry: the rate (6 columns), a blank, the name (10
    // columns), a blank and the bytes in hex; then one line per command name
    // with its totals.
    void print(std::ostream& out) const;

private:
    void trim();

    std::deque<CommandRecord> ring_;
    std::size_t capacity_ = DefaultCapacity;
    std::uint64_t dropped_ = 0;
    std::map<std::string, CommandTally, std::less<>> tallies_;
};

}  // namespace tarvex::sim
