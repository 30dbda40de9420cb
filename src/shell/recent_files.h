#pragma once

#include <QString>
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

// A recent file's name as its menu entry shows it: at most max_chars characters, a longer
// name shortened in the middle ("/home/me/…/rain.ab"), so that both the folder it starts in
// and the file's own name stay readable; an '&' doubled so that it shows as itself.
inline constexpr int kRecentMenuChars = 64;
QString recent_menu_name(const QString& name, int max_chars = kRecentMenuChars);

// The list after opening path: path (made absolute) first, no duplicate, at most kEntries.
std::vector<std::string> with_recent(const std::vector<std::string>& files,
                                     const std::string& path);

}  // namespace korvel
