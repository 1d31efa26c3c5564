#include <gtest/gtest.h>

#include "ui/model/file_filter.hpp"

namespace tarvex::ui {
namespace {

TEST(FileFilter, PairsBecomeQtNameFilters) {
    using V = std::vector<std::string>;
    const struct {
        const char* in;
        V out;
    } cases[] = {
        {"Trace (*.txt)|*.txt|All files (*.*)|*.*", V{"Trace (*.txt)", "All files (*.*)"}},
        {"Objects|*.omf;*.abs", V{"Objects (*.omf *.abs)"}},
        {"", V{}},
        {"Lonely", V{"Lonely"}},
    };
    for (const auto& c : cases) EXPECT_EQ(nameFiltersOf(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace tarvex::ui
