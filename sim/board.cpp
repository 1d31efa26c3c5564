#include "sim/board.hpp"

#include <algorithm>

#include "emulator/board_identity.hpp"

namespace tarvex::sim {

namespace {

bool prefixOf(const std::vector<std::uint8_t>& bytes, std::string_view word) {
    const std::size_t n = std::min(bytes.size(), word.size());
    for (std::size_t i = 0; i < n; ++i)
        if (bytes[i] != static_cast<std::uint8_t>(word[i])) return false;
    return true;
}

bool isMemoryLetter(std::uint8_t c) { return c == 'I' || c == 'N' || c == 'V'; }

}  // namespace

Board::Board(platform::Clock& clock, BoardConfig config)
    : clock_(clock), config_(std::move(config)), firmwareCode_(VersionCode(config_.version)) {
    for (auto& block : flash_) {
        block.assign(0x10000, 0xFF);
        block[0x3FF8] = config_.deviceVersion;
        block[0x3FFC] = config_.hardwareId;
        block[0x3FFD] = static_cast<std::uint8_t>(config_.serialNumber >> 8);
        block[0x3FFE] = static_cast<std::uint8_t>(config_.serialNumber);
    }
}

// ---------------------------------------------------------------- wire

void Board::receive(const std::uint8_t* data, std::size_t count, std::uint32_t lineBaud) {
    std::lock_guard lock(mutex_);
    received_ += count;
    if (!rts_ || (lineBaud != 0 && lineBaud != baud_)) {
        record("ignored", std::vector<std::uint8_t>(data, data + count));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) feed(data[i]);
}

std::size_t Board::available() {
    std::lock_guard lock(mutex_);
    const std::uint64_t now = clock_.monotonicMs();
    std::size_t n = 0;
    while (n < out_.size() && out_[n].readyAt <= now) ++n;
    return n;
}

std::size_t Board::read(std::uint8_t* data, std::size_t count) {
    std::lock_guard lock(mutex_);
    const std::uint64_t now = clock_.monotonicMs();
    std::size_t n = 0;
    while (n < count && !out_.empty() && out_.front().readyAt <= now) {
        data[n++] = out_.front().byte;
        out_.pop_front();
    }
    return n;
}

std::uint8_t Board::peek() {
    std::lock_guard lock(mutex_);
    if (out_.empty() || out_.front().readyAt > clock_.monotonicMs()) return 0;
    return out_.front().byte;
}

std::optional<std::uint64_t> Board::nextReadyAt() {
    std::lock_guard lock(mutex_);
    if (out_.empty()) return std::nullopt;
    return out_.front().readyAt;
}

void Board::purgeOutput() {
    std::lock_guard lock(mutex_);
    out_.clear();
}

void Board::inject(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    const std::uint64_t now = clock_.monotonicMs();
    // They were sent before anything still queued.
    for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) out_.push_front(Pending{*it, now});
}

void Board::setLines(bool rts, bool dtr) {
    std::lock_guard lock(mutex_);
    if (!rts && !dtr) linesWereOff_ = true;
    if (rts && dtr && linesWereOff_) {
        linesWereOff_ = false;
        baud_ = 9600;
        flashBlock_ = 0;
        pending_.clear();
        transfer_.reset();
        out_.clear();
        identIndex_ = 0;
        record("reset", {});
    }
    rts_ = rts;
    dtr_ = dtr;
}

void Board::reset() {
    std::lock_guard lock(mutex_);
    baud_ = 9600;
    flashBlock_ = 0;
    pending_.clear();
    transfer_.reset();
    out_.clear();
    identIndex_ = 0;
    record("reset", {});
}

// ---------------------------------------------------------------- faults

void Board::setSilent(bool on) {
    std::lock_guard lock(mutex_);
    silent_ = on;
}

void Board::shortenNextAnswer(std::size_t keep) {
    std::lock_guard lock(mutex_);
    shortNext_ = keep;
}

void Board::setAnswerDelay(std::uint32_t ms) {
    std::lock_guard lock(mutex_);
    delay_ = ms;
}

void Board::failFlashByteAt(std::size_t index, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    flashFault_ = std::make_pair(index, value);
}

// ---------------------------------------------------------------- inspection

std::vector<CommandRecord> Board::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void Board::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::uint32_t Board::baud() const {
    std::lock_guard lock(mutex_);
    return baud_;
}

std::uint8_t Board::flashBlock() const {
    std::lock_guard lock(mutex_);
    return flashBlock_;
}

std::uint8_t Board::master(std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return master_[address];
}

void Board::setMaster(std::uint16_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    master_[address] = value;
}

std::uint8_t Board::internal(std::uint8_t address) const {
    std::lock_guard lock(mutex_);
    return internal_[address];
}

std::uint8_t Board::variable(std::uint16_t index) const {
    std::lock_guard lock(mutex_);
    return variables_[index];
}

std::uint8_t Board::flash(std::uint8_t block, std::uint16_t address) const {
    std::lock_guard lock(mutex_);
    return flash_[block & 1][address];
}

std::uint64_t Board::bytesReceived() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::uint64_t Board::bytesSent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

// ---------------------------------------------------------------- parser

void Board::record(std::string name, const std::vector<std::uint8_t>& bytes) {
    log_.push_back(CommandRecord{std::move(name), bytes, baud_});
}

void Board::answer(std::vector<std::uint8_t> bytes) {
    if (silent_) return;
    if (shortNext_) {
        bytes.resize(std::min(bytes.size(), *shortNext_));
        shortNext_.reset();
    }
    const std::uint64_t readyAt = clock_.monotonicMs() + delay_;
    for (std::uint8_t b : bytes) out_.push_back(Pending{b, readyAt});
    sent_ += bytes.size();
}

Board::Parse Board::match(std::size_t& length) const {
    const std::uint8_t c = pending_[0];
    switch (c) {
        case 'x':
        case 'k':
        case 'z': length = 1; return Parse::Complete;
        case 'y': length = 2; break;
        case 'R':
        case 'W':
            if (pending_.size() >= 2 && !isMemoryLetter(pending_[1])) return Parse::Unknown;
            length = c == 'R' ? 4 : 5;
            break;
        case 'a':
        case 'b': {
            const bool iap = prefixOf(pending_, c == 'a' ? "aIaP" : "bIaP");
            const bool flc = prefixOf(pending_, c == 'a' ? "aFlC" : "bFlC");
            if (!iap && !flc) return Parse::Unknown;
            length = 9;
            break;
        }
        case 'n': length = firmwareCode_ < 16 ? 3 : firmwareCode_ == 16 ? 4 : 5; break;
        default: return Parse::Unknown;
    }
    return pending_.size() >= length ? Parse::Complete : Parse::NeedMore;
}

void Board::feed(std::uint8_t byte) {
    if (transfer_) {
        flashData(byte);
        return;
    }
    pending_.push_back(byte);
    while (!pending_.empty()) {
        std::size_t length = 0;
        const Parse p = match(length);
        if (p == Parse::NeedMore) return;
        if (p == Parse::Unknown) {
            record("?", {pending_[0]});
            pending_.erase(pending_.begin());
            continue;
        }
        const std::vector<std::uint8_t> command(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        execute(command);
        if (transfer_ && !pending_.empty()) {
            // Bytes that came with the header belong to the data phase.
            const std::vector<std::uint8_t> rest = std::move(pending_);
            pending_.clear();
            for (std::uint8_t b : rest) feed(b);
            return;
        }
    }
}

void Board::identificationByte() {
    if (silent_) return;
    if (junkIndex_ < config_.junkPrefix.size()) {
        answer({config_.junkPrefix[junkIndex_++]});
        return;
    }
    const std::string text = config_.version + config_.identification;
    answer({static_cast<std::uint8_t>(text[identIndex_ % text.size()])});
    ++identIndex_;
}

void Board::execute(const std::vector<std::uint8_t>& cmd) {
    const auto word = [&cmd](std::size_t i) {
        return static_cast<std::uint16_t>((cmd[i] << 8) | cmd[i + 1]);
    };
    switch (cmd[0]) {
        case 'x':
            record("x", cmd);
            identificationByte();
            return;
        case 'k':
            record("k", cmd);
            answer({static_cast<std::uint8_t>(config_.serialNumber >> 8), static_cast<std::uint8_t>(config_.serialNumber),
                    config_.hardwareId});
            return;
        case 'z':
            record("z", cmd);
            flashBlock_ ^= 1;
            return;
        case 'y':
            record("y", cmd);
            // Unknown codes leave the rate alone. The return to the power-on
            // rate also selects flash block 0, as a reset does.
            if (cmd[1] == 0x04) {
                baud_ = 9600;
                flashBlock_ = 0;
            } else if (cmd[1] == 0x02) {
                baud_ = 38400;
            } else if (cmd[1] == 0x00) {
                baud_ = 115200;
            }
            return;
        case 'R': {
            const std::string name{'R', static_cast<char>(cmd[1])};
            record(name, cmd);
            if (cmd[1] == 'I') answer({internal_[cmd[3]]});
            if (cmd[1] == 'N') answer({master_[word(2)]});
            if (cmd[1] == 'V') answer({variables_[word(2)]});
            return;
        }
        case 'W': {
            const std::string name{'W', static_cast<char>(cmd[1])};
            record(name, cmd);
            if (cmd[1] == 'I') internal_[cmd[3]] = cmd[4];
            if (cmd[1] == 'N') master_[word(2)] = cmd[4];
            if (cmd[1] == 'V') variables_[word(2)] = cmd[4];
            return;
        }
        case 'a': {
            record(std::string(cmd.begin(), cmd.begin() + 4), cmd);
            const std::uint8_t function = cmd[5];
            const std::uint16_t address = word(6);
            auto& block = flash_[flashBlock_];
            switch (function) {
                case 0: answer({config_.iapInfo}); break;
                case 1:
                    std::fill_n(block.begin() + (address & 0xE000), 0x2000, std::uint8_t{0xFF});
                    answer({0x00});
                    break;
                case 2:
                    block[address] = cmd[8];
                    answer({0x00});
                    break;
                case 3: answer({block[address]}); break;
                default: answer({0x00}); break;
            }
            return;
        }
        case 'b': {
            record(std::string(cmd.begin(), cmd.begin() + 4), cmd);
            FlashTransfer t;
            t.remaining = cmd[4];
            t.byteWise = firmwareCode_ < 18;
            // Below firmware 18 the header names the last byte's address,
            // from 18 on the first one; the data come last byte first.
            t.address = t.byteWise ? word(7) : static_cast<std::uint16_t>(word(7) + cmd[4] - 1);
            transferBytes_.clear();
            if (t.remaining == 0) {
                answer({0x00});
                return;
            }
            transfer_ = t;
            return;
        }
        case 'n': {
            record("n", cmd);
            std::uint32_t counter = 0;
            std::size_t count = 1;
            if (firmwareCode_ >= 17) {
                counter = (static_cast<std::uint32_t>(cmd[1]) << 16) | word(2);
                count = cmd[4];
            } else {
                counter = word(1);
                if (firmwareCode_ == 16) count = cmd[3];
            }
            std::vector<std::uint8_t> frames;
            frames.reserve(count * config_.frameSize);
            for (std::size_t i = 0; i < count; ++i)
                for (std::size_t j = 0; j < config_.frameSize; ++j)
                    frames.push_back(static_cast<std::uint8_t>((counter + i) * config_.frameSize + j));
            answer(std::move(frames));
            return;
        }
        default: return;
    }
}

void Board::flashData(std::uint8_t byte) {
    FlashTransfer& t = *transfer_;
    flash_[flashBlock_][t.address] = byte;
    t.address = static_cast<std::uint16_t>(t.address - 1);
    transferBytes_.push_back(byte);
    const std::size_t index = t.index++;
    --t.remaining;
    if (t.byteWise) {
        if (flashFault_ && flashFault_->first == index) {
            answer({flashFault_->second});
            flashFault_.reset();
        } else {
            answer({0x00});
        }
    }
    if (t.remaining == 0) {
        record("flash data", transferBytes_);
        if (!t.byteWise) answer({0x00});
        transfer_.reset();
    }
}

}  // namespace tarvex::sim
