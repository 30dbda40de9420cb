#include "io/file_error_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/memory_file_opener.h"

namespace korvel {
namespace {

TEST(FileErrorText, ReasonsNameThePath) {
    const std::string path = "/data/2024/0607.ab";
    const std::vector<std::pair<FileError, std::string>> table = {
        {FileError::file_not_found, "/data/2024/0607.ab wurde nicht gefunden."},
        {FileError::bad_path, "/data/2024/0607.ab enthält eine ungültige Pfadangabe."},
        {FileError::too_many_open_files,
         "/data/2024/0607.ab konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind."},
        {FileError::access_denied, "Zugriff auf /data/2024/0607.ab wurde verwehrt."},
        {FileError::sharing_violation,
         "Eine Zugriffsverletzung ist während des Zugriffs auf /data/2024/0607.ab aufgetreten."},
        {FileError::lock_violation,
         "Eine Sperrverletzung ist während des Zugriffs auf /data/2024/0607.ab aufgetreten."},
        {FileError::not_regular_file, "/data/2024/0607.ab is not a regular file."},
        {FileError::generic,
         "Ein unbekannter Fehler ist beim Zugriff auf /data/2024/0607.ab aufgetreten."},
    };
    for (const auto& [error, want] : table) EXPECT_EQ(file_error_reason(error, path), want);
}

TEST(FileErrorText, PathIsInsertedLiterally) {
    // A path that looks like a placeholder or a format must come out unchanged.
    EXPECT_EQ(file_error_reason(FileError::file_not_found, "%1 %s %n.ab"),
              "%1 %s %n.ab wurde nicht gefunden.");
    EXPECT_EQ(file_error_reason(FileError::access_denied, ""), "Zugriff auf  wurde verwehrt.");
}

TEST(MemoryFileOpener, ServesItsFilesAndReportsMissingOnes) {
    MemoryFileOpener opener;
    opener.add("a.ab", {1, 2, 3});
    FileError error = FileError::generic;
    std::unique_ptr<ByteSource> a = opener.open_read_only("a.ab", error);
    ASSERT_TRUE(a);
    EXPECT_EQ(error, FileError::none);
    EXPECT_EQ(a->length(), 3u);
    uint8_t buf[4] = {};
    EXPECT_EQ(a->read_at(1, buf, 4), 2u);
    EXPECT_EQ(buf[1], 3);

    EXPECT_EQ(opener.open_read_only("b.ab", error), nullptr);
    EXPECT_EQ(error, FileError::file_not_found);
    opener.remove("a.ab");
    EXPECT_EQ(opener.open_read_only("a.ab", error), nullptr);
    EXPECT_EQ(a->length(), 3u);  // an opened file keeps its bytes
}

}  // namespace
}  // namespace korvel
