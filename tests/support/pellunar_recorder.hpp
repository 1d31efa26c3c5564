#pragma once
// A pellunar analyser whose messages are kept for the test to compare
// instead of going to a window.
#include <ostream>
#include <string>
#include <vector>

#include "core/pellunar.hpp"

namespace tarvex::test {

struct PellunarMessage {
    int level;
    std::string text;
    std::string location;
    friend bool operator==(const PellunarMessage&, const PellunarMessage&) = default;
    friend std::ostream& operator<<(std::ostream& os, const PellunarMessage& m) {
        return os << m.level << " \"" << m.text << "\" @" << m.location;
    }
};

class RecordingPellunar : public TPellunarComp {
public:
    void MessageOutput(int level, const std::string& text, const std::string& location) override {
        messages.push_back({level, text, location});
    }
    std::vector<PellunarMessage> messages;
};

}  // namespace tarvex::test
