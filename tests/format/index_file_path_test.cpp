#include <gtest/gtest.h>

#include <string>

#include "format/index_file.h"

namespace korvel {
namespace {

TEST(IndexFilePath, DropsOnlyAnAbExtension) {
    const struct {
        const char* data;
        const char* index;
    } cases[] = {
        {"/d/0607.ab", "/d/0607.abh"},
        {"0607.AB", "0607.abh"},
        {".ab", ".abh"},
        {"/dev/stdin", "/dev/stdin.abh"},  // not /dev/st.abh
        {"/d/0607.abc", "/d/0607.abc.abh"},
        {"/d/rain_ab", "/d/rain_ab.abh"},
        {"ab", "ab.abh"},
        {"", ".abh"},
    };
    for (const auto& c : cases) EXPECT_EQ(index_file_path(c.data), c.index) << c.data;
}

}  // namespace
}  // namespace korvel
