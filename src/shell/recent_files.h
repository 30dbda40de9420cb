#pragma once

#include <string>
#include <vector>

namespace korvel {

// The list of the four files opened last, newest first, kept in the program's settings
// (organisation "Local AppWizard-Generated Applications"). Each path is kept as the bytes the
// system gave, so a name that is not UTF-8 opens again from the list.
class RecentFiles {
  public:
    static constexpr int kEntries = 4;

    RecentFiles();  // loads the list from the settings
    const std::vector<std::string>& files() const { return files_; }
    // Puts path at the front (once) and saves the list.
    void add(const std::string& path);
    // Takes path out of the list and saves it.
    void remove(const std::string& path);

  private:
    void save() const;
    std::vector<std::string> files_;
};

// The list after opening path: path (made absolute) first, no duplicate, at most kEntries.
std::vector<std::string> with_recent(const std::vector<std::string>& files,
                                     const std::string& path);

}  // namespace korvel
