#pragma once
// Colours are kept as Windows RGB values (0x00BBGGRR) in the models.
#include <QColor>
#include <cstdint>

namespace tarvex::ui {

inline QColor fromColorRef(std::uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF), static_cast<int>((ref >> 16) & 0xFF));
}

}  // namespace tarvex::ui
