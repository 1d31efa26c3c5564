// The driver's Win32 windows on the host object over the simulated board:
// what they install on the object's session reaches the user through the
// object, as the IDE drives it.
#include <gtest/gtest.h>

#include <functional>

#include "emulator/emulator.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "host/command.hpp"
#include "host/command_history.hpp"
#include "tests/support/host/sim_host.hpp"
#include "tests/ui/win32/win32_test_support.hpp"
#include "ui/win32/driver/win32_driver_windows.hpp"

namespace tarvex::ui::win32 {
namespace {

// Runs the action from inside the message loops to come until it answers
// true: a form opened after a few loops of other windows is reached as well.
class Whenever {
public:
    explicit Whenever(std::function<bool()> action) : action_(std::move(action)) { post(); }
    bool done() const { return done_; }

private:
    void post() {
        // The one whose action runs now lives on until the next post.
        spent_ = std::move(later_);
        later_ = std::make_unique<test::Later>([this] {
            if (done_) return;
            if (action_()) {
                done_ = true;
            } else if (++tries_ < 10000) {
                post();
            }
        });
    }
    std::function<bool()> action_;
    std::unique_ptr<test::Later> later_, spent_;
    bool done_ = false;
    int tries_ = 0;
};

Win32Form* activeForm(const char* name) {
    Win32Form* form = Win32Form::of(GetActiveWindow());
    return form && form->description().name == name && IsWindowVisible(form->handle()) ? form : nullptr;
}

struct Win32Host : tarvex::test::SimHost {
    Win32Host() : windows(settings) {
        DriverEnvironment env = environment();
        env.windows = &windows;
        env.stopErrorForm = windows.stopErrorForm();
        open(env);
        windows.attach(object.get());
    }
    ~Win32Host() { object.reset(); }

    Win32DriverWindows windows;
};

TEST(Win32DriverWindows, TheStartAsksForTheGenerationAndQuestionButtonsBrowse) {
    Win32Host h;
    Whenever chooser([] {
        Win32Form* form = activeForm("TFormTarvex");
        if (!form) return false;
        test::click(form->item("TarvexGroup", 1));
        test::click(form->control("OkButton"));
        return true;
    });
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);
    EXPECT_TRUE(chooser.done());
    EXPECT_EQ(h.object->Emulator().Generation(), 1);

    bool browsed = false;
    Whenever copy([&] {
        Win32Form* form = activeForm("TFormCopyFill");
        if (!form) return false;
        Whenever browser([&] {
            Win32Form* b = activeForm("TFormSymbol");
            if (!b) return false;
            browsed = true;
            EXPECT_EQ(test::textOf(b->handle()), "Loaded symbols");
            test::click(b->control("CancelButton"));
            return true;
        });
        test::click(form->control("SucheStart"));
        test::click(form->control("CancelButton"));
        return true;
    });
    h.pick("Copy...");
    EXPECT_TRUE(copy.done());
    EXPECT_TRUE(browsed);
    EXPECT_EQ(h.object->Kommando().Protokoll().Count(), 0u);
}

}  // namespace
}  // namespace tarvex::ui::win32
