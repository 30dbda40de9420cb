#include "io/file_error_text.h"

namespace korvel {

namespace {

// Each reason is the text before the path and the text after it.
struct Reason {
    const char* before;
    const char* after;
};

Reason reason_for(FileError error) {
    switch (error) {
        case FileError::file_not_found:
            return {"", " wurde nicht gefunden."};
        case FileError::bad_path:
            return {"", " enthält eine ungültige Pfadangabe."};
        case FileError::too_many_open_files:
            return {"", " konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind."};
        case FileError::access_denied:
            return {"Zugriff auf ", " wurde verwehrt."};
        case FileError::sharing_violation:
            return {"Eine Zugriffsverletzung ist während des Zugriffs auf ", " aufgetreten."};
        case FileError::lock_violation:
            return {"Eine Sperrverletzung ist während des Zugriffs auf ", " aufgetreten."};
        case FileError::not_regular_file:
            return {"", " is not a regular file."};
        case FileError::none:
        case FileError::generic:
            break;
    }
    return {"Ein unbekannter Fehler ist beim Zugriff auf ", " aufgetreten."};
}

}  // namespace

std::string file_error_reason(FileError error, const std::string& path) {
    // The path is inserted as it stands, never used as a format string.
    const Reason r = reason_for(error);
    return std::string(r.before) + path + r.after;
}

}  // namespace korvel
