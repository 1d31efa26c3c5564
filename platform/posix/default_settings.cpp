#include "platform/settings.hpp"

namespace tarvex::platform {

SettingsStore& defaultSettings() {
    static IniSettingsStore store(defaultSettingsRoot());
    return store;
}

}  // namespace tarvex::platform
