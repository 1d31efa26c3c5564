#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/host_text.hpp"
#include "platform/host_window.hpp"

namespace tarvex::platform {
namespace {

struct Events {
    std::vector<std::string> list;
    static std::intptr_t send(void* context, std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
        static_cast<Events*>(context)->list.push_back("send " + std::to_string(m) + " " + std::to_string(w));
        return static_cast<std::intptr_t>(w) + l;
    }
    static void post(void* context, std::uint32_t m, std::uintptr_t w, std::intptr_t) {
        static_cast<Events*>(context)->list.push_back("post " + std::to_string(m) + " " + std::to_string(w));
    }
};

// What the driver sends arrives at once with its answer; what it posts, also
// from another thread, arrives by the pump on the window's own thread.
TEST(HostWindow, SentMessagesArriveAtOncePostedOnesByThePump) {
    Events events, other;
    HostWindow window(HostMessageSink{&events, &Events::send, &Events::post});
    HostWindow second(HostMessageSink{&other, &Events::send, &Events::post});
    ASSERT_NE(window.handle(), 0u);
    ASSERT_NE(second.handle(), window.handle());
    EXPECT_EQ(sendHostMessage(window.handle(), 0x7E8, 12, 30), 42);
    EXPECT_EQ(events.list, (std::vector<std::string>{"send 2024 12"}));
    postHostMessage(window.handle(), 0x7E8, 5, 0);
    std::thread poster([&] { postHostMessage(window.handle(), 0x7E9, 6, 0); });
    poster.join();
    window.pump();
    EXPECT_EQ(events.list, (std::vector<std::string>{"send 2024 12", "post 2024 5", "post 2025 6"}));
    window.pump();
    EXPECT_EQ(events.list.size(), 3u);
    EXPECT_TRUE(other.list.empty());
    // No window: nothing is delivered.
    EXPECT_EQ(sendHostMessage(0, 0x7E8, 1, 1), 0);
    postHostMessage(0, 0x7E8, 1, 1);
}

TEST(HostText, AsciiPassesOtherCharactersTakeTheHostsEncoding) {
    EXPECT_EQ(hostText(""), "");
    EXPECT_EQ(hostText("1'0,0 us\r\n"), "1'0,0 us\r\n");
    const std::string micro = hostText("12\"345.678 \xC2\xB5s");
#ifdef _WIN32
    // The ANSI code page has one byte for it, or "?" where it has none.
    ASSERT_EQ(micro.size(), 13u);
    EXPECT_TRUE(micro[11] == '\xB5' || micro[11] == '?') << micro;
#else
    EXPECT_EQ(micro, "12\"345.678 \xC2\xB5s");
#endif
}

}  // namespace
}  // namespace tarvex::platform
