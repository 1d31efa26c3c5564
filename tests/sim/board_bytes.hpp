#pragma once
// Talking to the board simulator byte by byte, as the wire would.
#include <cstdint>
#include <vector>

#include "sim/board.hpp"

namespace tarvex::sim {

using Bytes = std::vector<std::uint8_t>;

// Everything the board has sent so far.
inline Bytes drain(Board& board) {
    Bytes out(board.available());
    out.resize(board.read(out.data(), out.size()));
    return out;
}

inline void send(Board& board, const Bytes& bytes) { board.receive(bytes.data(), bytes.size()); }

}  // namespace tarvex::sim
