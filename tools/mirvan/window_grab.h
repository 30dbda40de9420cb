#pragma once

#include <QString>
#include <string>

namespace korvel::mirvan {

class MirvanWindow;

// Why --grab may not write out, given the recording shown (empty when none): out has the name
// of a recording or of its index, or is the recording or its index under another spelling or
// link. Empty when the grab may be written.
std::string grab_refusal(const QString& out, const QString& recording);

// Writes the window's picture as PNG to out through the one safe output: complete or not at
// all, a device or a pipe written in place. Returns the exit status, 1 (after saying why on
// standard error) when it cannot be written.
int grab_window(MirvanWindow& window, const QString& out);

}  // namespace korvel::mirvan
