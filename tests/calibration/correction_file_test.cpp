#include "calibration/correction_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "io/memory_file_opener.h"
#include "support/fatal_text.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string eight_lines_with_value(int value) {
    std::string text = "title\n" + std::string(54, ' ') + std::to_string(value) + "\n";
    for (int i = 0; i < 6; ++i) text += "row label 1,2,3,4,5,6,7,8,9,10\n";
    return text;
}

// Refuses every path with one error, as the disk does for a locked or protected file.
class RefusingOpener : public FileOpener {
  public:
    explicit RefusingOpener(FileError error) : error_(error) {}
    std::unique_ptr<ByteSource> open_read_only(const std::string&, FileError& error) override {
        error = error_;
        return nullptr;
    }

  private:
    FileError error_;
};

TEST(CorrectionFile, MissingFileOrDirectoryLeavesTheRecordAlone) {
    CorrectionRecord r;
    r.line2_value = 5;
    MemoryFileOpener none;
    load_corrections("/corr", r, none);
    RefusingOpener no_dir(FileError::bad_path);
    load_corrections("/no/such/dir", r, no_dir);
    load_corrections("/definitely/not/a/korvel/dir", r);
    EXPECT_EQ(r.line2_value, 5);
}

TEST(CorrectionFile, ReadsTheFileOfTheStartUpDirectory) {
    MemoryFileOpener opener;
    opener.add("/start/dir/CORRFACT.DAT", std::vector<uint8_t>(0));
    CorrectionRecord r;
    EXPECT_EQ(test::fatal_text([&] { load_corrections("/start/dir", r, opener); }), "tables01");
    const std::string text = eight_lines_with_value(321);
    opener.add("/start/dir/CORRFACT.DAT", std::vector<uint8_t>(text.begin(), text.end()));
    load_corrections("/start/dir", r, opener);
    EXPECT_EQ(r.line2_value, 321);
    EXPECT_FLOAT_EQ(r.rows[3][9], 10.0f);
}

TEST(CorrectionFile, OnlyTheFirstEightLinesOfALargeFileMatter) {
    std::string text = eight_lines_with_value(7);
    text += std::string(1 << 20, 'z');
    MemoryFileOpener opener;
    opener.add("/d/CORRFACT.DAT", std::vector<uint8_t>(text.begin(), text.end()));
    CorrectionRecord r;
    load_corrections("/d", r, opener);
    EXPECT_EQ(r.line2_value, 7);
}

TEST(CorrectionFile, AFileThatCannotBeOpenedIsFatalAndNamesIt) {
    RefusingOpener locked(FileError::access_denied);
    CorrectionRecord r;
    EXPECT_EQ(test::fatal_text([&] { load_corrections("/start", r, locked); }),
              "Could not open because: Zugriff auf /start/CORRFACT.DAT wurde verwehrt.");
}

TEST(CorrectionFile, ReasonIsCutTo255Bytes) {
    RefusingOpener locked(FileError::access_denied);
    CorrectionRecord r;
    const std::string text =
        test::fatal_text([&] { load_corrections("/" + std::string(400, 'd'), r, locked); });
    const std::string prefix = "Could not open because: ";
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
    EXPECT_EQ(text.size(), prefix.size() + 255);
}

TEST(CorrectionFile, DiskLongStartUpDirectoryIsUsedWhole) {
    const test::TempDir base;
    std::string dir = base.path() + "/" + std::string(60, 'a') + "/" + std::string(50, 'b');
    ASSERT_GE(dir.size(), 100u);
    fs::create_directories(dir);
    write_file(dir + "/CORRFACT.DAT", eight_lines_with_value(-42));
    CorrectionRecord r;
    load_corrections(dir, r);
    EXPECT_EQ(r.line2_value, -42);

    write_file(dir + "/CORRFACT.DAT", "only\r\nthree\r\nlines\r\n");
    EXPECT_EQ(test::fatal_text([&] { load_corrections(dir, r); }), "tables04");
}

TEST(CorrectionFile, DiskDirectoryInPlaceOfTheFileIsFatal) {
    const test::TempDir base;
    fs::create_directories(base.path() + "/CORRFACT.DAT");
    CorrectionRecord r;
    EXPECT_EQ(test::fatal_text([&] { load_corrections(base.path(), r); }),
              "Could not open because: " + base.path() + "/CORRFACT.DAT is not a regular file.");
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// Without a start-up directory there is no correction file: the one in the root directory
// is never looked at, however damaged it is.
TEST(CorrectionFile, NoStartUpDirectoryMeansNoCorrectionFile) {
    MemoryFileOpener root;
    root.add("/CORRFACT.DAT", {});  // empty: it would end playback with "tables01"
    CorrectionRecord r;
    r.line2_value = 7;
    EXPECT_EQ(test::fatal_text([&] { load_corrections("", r, root); }), "<no error>");
    EXPECT_EQ(r.line2_value, 7);
}

}  // namespace
}  // namespace korvel
