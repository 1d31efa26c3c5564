// The checker on the bundled compiled examples, answering Yes to the question
// so that the corrected HEX is written: it may differ from the compiler's own
// HEX only inside the reported hooks and the RET stubs of the hook area.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "checker/qz_check_main.hpp"
#include "core/pellunar.hpp"
#include "platform/ui.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

namespace fs = std::filesystem;

class QuietCheck : public TQzCheck {
public:
    void WriteLine(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

std::map<std::uint32_t, std::uint8_t> imageOf(const std::string& path) {
    THexReader reader;
    reader.SetFileName(path);
    std::map<std::uint32_t, std::uint8_t> image;
    while (!reader.Eof()) {
        const auto record = reader.ReadRecord();
        if (record.type != THexRecord::Data) continue;
        for (std::size_t i = 0; i < record.data.size(); ++i)
            image[record.address + static_cast<std::uint32_t>(i)] = static_cast<std::uint8_t>(record.data[i]);
    }
    return image;
}

bool inStubArea(std::uint32_t a) {
    return (a >= 0xFFA0 && a <= 0xFFB9) || (a >= 0xFFC0 && a <= 0xFFD9) || (a >= 0xFFF4 && a <= 0xFFFB);
}

struct Case {
    const char* program;
    bool omf;
};

class ExampleOutput : public ::testing::TestWithParam<Case> {};

TEST_P(ExampleOutput, DiffersFromTheCompilersHexOnlyInsideHooks) {
    const auto examples = test::sourceDir() / "examples" / "build";
    const std::string program = GetParam().program;
    const auto compiled = (examples / (program + ".hex")).string();
    const auto source = (examples / (program + (GetParam().omf ? ".omf" : ".hex"))).string();
    if (!fs::exists(source) || !fs::exists(compiled)) GTEST_SKIP() << "examples not built";

    test::TempDir dir;
    const auto input = dir.file(fs::path(source).filename().string());
    fs::copy_file(source, input);
    platform::ScriptedMessageBoxes boxes;
    boxes.answer(platform::IdYes);
    platform::ScopedUi ui(&boxes);
    QuietCheck check;
    check.FormatSetting(GetParam().omf ? TQzCheck::FormatOmf51 : TQzCheck::FormatHex);
    check.SetInputFile(input);
    check.RunCheck();
    const auto output = dir.file(program + ".hex");
    ASSERT_TRUE(fs::exists(output)) << check.lines.back();

    std::map<std::uint32_t, bool> hookBytes;
    const auto& hooks = check.Analyser()->Hooks();
    ASSERT_GT(hooks.Count(), 0u);
    for (std::size_t i = 0; i < hooks.Count(); ++i) {
        const auto* item = hooks.Items(i);
        for (std::size_t k = 0; k < item->InstructionBytes().size(); ++k) hookBytes[item->address.offset + k] = true;
    }

    const auto before = imageOf(compiled);
    const auto after = imageOf(output);
    std::size_t changed = 0;
    for (const auto& [address, byte] : before) {
        const auto it = after.find(address);
        if (it == after.end()) {
            EXPECT_TRUE(inStubArea(address)) << std::hex << address << " is missing";
        } else if (it->second != byte) {
            EXPECT_TRUE(hookBytes.count(address)) << std::hex << address << " changed outside a hook";
            ++changed;
        }
    }
    EXPECT_GT(changed, 0u);
    if (!GetParam().omf) {
        EXPECT_EQ(test::readBytes(output + ".bak"), test::readBytes(source)) << "the original is kept";
    }
}

INSTANTIATE_TEST_SUITE_P(Bundled, ExampleOutput,
                         ::testing::Values(Case{"hooks", true}, Case{"hooks_old", true}, Case{"ports", true},
                                           Case{"hooks_old", false}, Case{"asmforms", false}),
                         [](const ::testing::TestParamInfo<Case>& c) {
                             return std::string(c.param.program) + (c.param.omf ? "_omf" : "_hex");
                         });

}  // namespace
}  // namespace tarvex
