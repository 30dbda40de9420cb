// The one safe output: where the bytes land for each kind of target, what is left when it
// fails or is abandoned, and which targets are refused.
#include "io/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "io/file_identity.h"
#include "io/file_source.h"
#include "io/output_refusal.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

const std::vector<uint8_t> kOld = {'o', 'l', 'd'};
const std::string kNew = "new bytes";

size_t leftovers(const std::string& dir) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir)) n += e.path().filename().string()[0] == '.';
    return n;
}

TEST(SafeOutput, EachKindOfTargetGetsTheBytesWhereItShould) {
    const struct {
        const char* what;
        SafeOutput::Link link;
        void (*setup)(test::TempDir&);  // makes the folder before target.out is written
        const char* written;             // the file that must hold the new bytes
        const char* untouched;           // a name that must still hold the old ones, or null
        bool target_is_link;             // whether target.out is still a symbolic link
        mode_t mode;                     // the written file's mode (0: not checked)
    } cases[] = {
        {"a new file", SafeOutput::Link::follow, [](test::TempDir&) {}, "target.out", nullptr,
         false, 0},
        {"an old file of mode 0640, hard-linked", SafeOutput::Link::follow,
         [](test::TempDir& d) {
             test::write_file(d.file("target.out"), kOld);
             ::chmod(d.file("target.out").c_str(), 0640);
             fs::create_hard_link(d.file("target.out"), d.file("twin"));
         },
         "target.out", "twin", false, 0640},
        {"a link followed", SafeOutput::Link::follow,
         [](test::TempDir& d) {
             test::write_file(d.file("real"), kOld);
             fs::create_symlink("real", d.file("target.out"));
         },
         "real", nullptr, true, 0},
        {"a dangling link followed", SafeOutput::Link::follow,
         [](test::TempDir& d) { fs::create_symlink("real", d.file("target.out")); }, "real",
         nullptr, true, 0},
        {"a link replaced", SafeOutput::Link::replace,
         [](test::TempDir& d) {
             test::write_file(d.file("real"), kOld);
             fs::create_symlink("real", d.file("target.out"));
         },
         "target.out", "real", false, 0},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        c.setup(dir);
        SafeOutput out;
        ASSERT_EQ(out.open(dir.file("target.out"), ".t-", c.link), 0) << c.what;
        EXPECT_FALSE(out.in_place()) << c.what;
        ASSERT_EQ(out.write_all(kNew.data(), kNew.size()), 0) << c.what;
        ASSERT_EQ(out.commit(), 0) << c.what;
        const std::vector<uint8_t> got = test::read_file(dir.file(c.written));
        EXPECT_EQ(std::string(got.begin(), got.end()), kNew) << c.what;
        if (c.untouched) {
            EXPECT_EQ(test::read_file(dir.file(c.untouched)), kOld) << c.what;
        }
        EXPECT_EQ(fs::is_symlink(dir.file("target.out")), c.target_is_link) << c.what;
        struct stat st {};
        ASSERT_EQ(::stat(dir.file(c.written).c_str(), &st), 0);
        if (c.mode != 0) {
            EXPECT_EQ(st.st_mode & 07777, c.mode) << c.what;
        }
        EXPECT_EQ(leftovers(dir.path()), 0u) << c.what;
    }
}

TEST(SafeOutput, DevicesAreWrittenInPlaceAndFailuresLeaveTheTargetAndNoTemporaryFile) {
    SafeOutput null_device;
    ASSERT_EQ(null_device.open("/dev/null", ".t-"), 0);
    EXPECT_TRUE(null_device.in_place());
    EXPECT_EQ(null_device.write_all(kNew.data(), kNew.size()), 0);
    EXPECT_EQ(null_device.commit(), 0);

    SafeOutput full;
    ASSERT_EQ(full.open("/dev/full", ".t-"), 0);
    EXPECT_EQ(full.write_all(kNew.data(), kNew.size()), ENOSPC);

    test::TempDir dir;
    SafeOutput none;
    EXPECT_EQ(none.open(dir.file("no/such.out"), ".t-"), ENOENT);
    EXPECT_EQ(none.open(dir.path(), ".t-"), EISDIR);

    // Abandoned, or its rename refused (a directory in the way): the old file stays.
    test::write_file(dir.file("kept.out"), kOld);
    {
        SafeOutput abandoned;
        ASSERT_EQ(abandoned.open(dir.file("kept.out"), ".t-"), 0);
        EXPECT_EQ(leftovers(dir.path()), 1u);
        abandoned.write_all(kNew.data(), kNew.size());
    }
    EXPECT_EQ(test::read_file(dir.file("kept.out")), kOld);
    EXPECT_EQ(leftovers(dir.path()), 0u);
    fs::create_directory(dir.file("sub"));
    SafeOutput renamed;
    ASSERT_EQ(renamed.open(dir.file("sub") + "/../kept.out", ".t-"), 0);
    fs::remove(dir.file("kept.out"));
    fs::create_directory(dir.file("kept.out"));
    fs::create_directory(dir.file("kept.out/x"));  // a directory that is not empty
    EXPECT_NE(renamed.commit(), 0);
    EXPECT_EQ(leftovers(dir.path()), 0u);
}

TEST(OutputRefusal, RecordingNamesAndOpenFilesAreRefusedWhateverTheirNameNow) {
    test::TempDir dir;
    test::write_file(dir.file("rain.ab"), kOld);
    const int fd = ::open(dir.file("rain.ab").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    FileSource source(fd, "rain.ab");
    fs::rename(dir.file("rain.ab"), dir.file("moved.png"));
    fs::create_symlink("moved.png", dir.file("link.png"));
    test::write_file(dir.file("rain.png"), kOld);
    const std::vector<std::optional<FileIdentity>> inputs = {std::nullopt, source.identity()};
    const struct {
        std::string target;
        OutputRefusal::Kind kind;
        const char* ending;
    } cases[] = {
        {dir.file("moved.png"), OutputRefusal::Kind::input, ""},
        {dir.file("link.png"), OutputRefusal::Kind::input, ""},
        {dir.path() + "/./moved.png", OutputRefusal::Kind::input, ""},
        {dir.file("rain.png"), OutputRefusal::Kind::none, ""},
        {dir.file("new.ab"), OutputRefusal::Kind::recording_name, ".ab"},
        {"x.abh", OutputRefusal::Kind::recording_name, ".abh"},
        {dir.file("x.ab") + "/y.png", OutputRefusal::Kind::none, ""},
        {dir.file("x.abc"), OutputRefusal::Kind::none, ""},
    };
    for (const auto& c : cases) {
        const OutputRefusal r = refuse_output(c.target, inputs);
        EXPECT_EQ(r.kind, c.kind) << c.target;
        EXPECT_EQ(r.ending, c.ending) << c.target;
        if (r.kind == OutputRefusal::Kind::input) {
            EXPECT_EQ(r.input, 1u) << c.target;
        }
    }
}

}  // namespace
}  // namespace korvel
