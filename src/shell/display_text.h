#pragma once

#include <QString>
#include <string>

namespace korvel {

// Text from the core or the file system (a path, a message naming one) as the user is shown
// it: well-formed UTF-8 as it is, every other byte as \xHH, so a name in another encoding
// stays readable and tells its bytes instead of turning into replacement characters.
QString display_text(const std::string& bytes);

// The bytes of a path that the file dialog gives as text. A name that is not UTF-8 reaches
// Qt with its bad bytes replaced; then the directory is searched for the one entry whose
// name reads the same, and that entry's bytes are taken. Otherwise the text's own encoding.
std::string path_bytes(const QString& path);

}  // namespace korvel
