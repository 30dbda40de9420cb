// The one safe output: where the bytes land for each kind of target, and which targets are
// refused, whatever the open files are called now.
#include "io/safe_output.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "io/file_source.h"
#include "io/output_refusal.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
const std::vector<uint8_t> kOld = {'o', 'l', 'd'}, kNew = {'n', 'e', 'w'};

TEST(SafeOutput, EachKindOfTargetGetsTheBytesWhereItShouldAndNothingIsLeftBeside) {
    using Link = SafeOutput::Link;
    const struct {
        const char* what;
        Link link;
        const char* old_file;  // holds kOld before the write; "out" itself when no link
        const char* link_to;   // what "out" links to first, or null
        const char* twin;      // a hard link to the old file that keeps its bytes, or null
        const char* written;   // where kNew is read back
    } cases[] = {
        {"new file", Link::follow, nullptr, nullptr, nullptr, "out"},
        {"old file, hard-linked, mode kept", Link::follow, "out", nullptr, "twin", "out"},
        {"link followed", Link::follow, "real", "real", nullptr, "real"},
        {"dangling link followed", Link::follow, nullptr, "real", nullptr, "real"},
        {"link replaced", Link::replace, "real", "real", "real", "out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        if (c.old_file) test::write_file(dir.file(c.old_file), kOld);
        if (c.old_file) fs::permissions(dir.file(c.old_file), fs::perms(0640));
        if (c.link_to) fs::create_symlink(c.link_to, dir.file("out"));
        if (c.twin && !fs::exists(dir.file(c.twin)))
            fs::create_hard_link(dir.file("out"), dir.file(c.twin));
        SafeOutput out;
        ASSERT_EQ(out.open(dir.file("out"), ".t-", c.link), 0);
        ASSERT_EQ(out.write_all(kNew.data(), kNew.size()), 0);
        ASSERT_EQ(out.commit(), 0);
        EXPECT_EQ(test::read_file(dir.file(c.written)), kNew);
        EXPECT_TRUE(!c.twin || test::read_file(dir.file(c.twin)) == kOld);
        EXPECT_EQ(fs::is_symlink(dir.file("out")), c.link_to && c.link == Link::follow);
        EXPECT_EQ(fs::status(dir.file(c.written)).permissions() == fs::perms(0640),
                  c.old_file && c.link == Link::follow);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}),
                  1 + (c.link_to != nullptr) + (c.twin && c.link == Link::follow))
            << "a temporary file is left";
    }
    SafeOutput device;  // written in place, never replaced
    ASSERT_EQ(device.open("/dev/null", ".t-"), 0);
    EXPECT_TRUE(device.in_place());
    EXPECT_EQ(device.commit(), 0);
}

TEST(OutputRefusal, RecordingNamesAndOpenFilesAreRefusedWhateverTheirNameNow) {
    test::TempDir dir;
    test::write_file(dir.file("rain.ab"), kOld);
    test::write_file(dir.file("rain.png"), kOld);
    FileSource source(::open(dir.file("rain.ab").c_str(), O_RDONLY | O_CLOEXEC), "rain.ab");
    fs::rename(dir.file("rain.ab"), dir.file("moved.png"));
    fs::create_symlink("moved.png", dir.file("link.png"));
    const struct {
        std::string target;
        OutputRefusal::Kind kind;
    } cases[] = {
        {dir.file("moved.png"), OutputRefusal::Kind::input},
        {dir.file("link.png"), OutputRefusal::Kind::input},
        {dir.file("rain.png"), OutputRefusal::Kind::none},
        {dir.file("new.ab"), OutputRefusal::Kind::recording_name},
        {"x.abh", OutputRefusal::Kind::recording_name},
        {dir.file("x.ab") + "/y.png", OutputRefusal::Kind::none},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refuse_output(c.target, {std::nullopt, source.identity()}).kind, c.kind)
            << c.target;
    }
}

}  // namespace
}  // namespace korvel
