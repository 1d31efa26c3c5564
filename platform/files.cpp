#include <filesystem>

#include "platform/files.hpp"

namespace tarvex::platform {

std::string executableDir() {
    const std::string path = executablePath();
    return path.empty() ? std::string() : std::filesystem::path(path).parent_path().string();
}

}  // namespace tarvex::platform
