#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::test {

// A directory of its own for one test, made with mkdtemp and removed with everything in it
// when the object goes, so tests running side by side never see each other's files.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Whole-file helpers; a write failure or a missing file fails the current test.
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
void write_text_file(const std::string& path, const std::string& text);
void append_file(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> read_file(const std::string& path);

}  // namespace korvel::test
