#pragma once

#include <QStringList>

namespace korvel {

// The list of the four files opened last, newest first, kept in the program's settings
// (organisation "Local AppWizard-Generated Applications").
class RecentFiles {
  public:
    static constexpr int kEntries = 4;

    RecentFiles();  // loads the list from the settings
    const QStringList& files() const { return files_; }
    // Puts path at the front (once) and saves the list.
    void add(const QString& path);

  private:
    void save() const;
    QStringList files_;
};

// The list after opening path: path first, no duplicate, at most kEntries.
QStringList with_recent(const QStringList& files, const QString& path);

}  // namespace korvel
