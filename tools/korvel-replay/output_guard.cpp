#include "output_guard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "format/index_file.h"
#include "io/file_identity.h"
#include "io/output_refusal.h"
#include "io/safe_output.h"

namespace korvel::replay {
namespace {

// What makes two names one file: device and inode of the file itself, or, for a file that
// does not exist yet, of its directory together with its own name.
struct Identity {
    dev_t dev = 0;
    ino_t ino = 0;
    std::string name;  // empty for an existing file
    bool null_device = false;
    bool operator==(const Identity& o) const {
        return dev == o.dev && ino == o.ino && name == o.name;
    }
};

bool is_null_device(const struct stat& st) {
    struct stat null_st {};
    return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null_st) == 0 &&
           st.st_rdev == null_st.st_rdev;
}

std::optional<Identity> identity_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return Identity{st.st_dev, st.st_ino, {}, is_null_device(st)};
    }
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || ::stat(directory_of(path).c_str(), &st) != 0) return std::nullopt;
    return Identity{st.st_dev, st.st_ino, name, false};
}

}  // namespace

std::string output_conflict(const std::vector<NamedOutput>& outputs,
                            const std::vector<std::string>& recordings, bool stdout_in_use) {
    std::vector<std::optional<Identity>> ids;
    for (const NamedOutput& out : outputs) ids.push_back(identity_of(out.path));
    // Every recording and the index beside it, in that order.
    std::vector<std::string> inputs;
    std::vector<std::optional<FileIdentity>> input_ids;
    for (const std::string& rec : recordings) {
        for (const std::string& input : {rec, index_file_path(rec)}) {
            inputs.push_back(input);
            input_ids.push_back(identity_of_path(input));
        }
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        const std::string what = outputs[i].option + " " + outputs[i].path;
        const OutputRefusal refusal = refuse_output(outputs[i].path, input_ids);
        if (refusal.kind == OutputRefusal::Kind::recording_name) {
            return what + " has the name of a recording (" + refusal.ending +
                   "); give the output another name";
        }
        // The null device may be named any number of times, even as a recording.
        if (ids[i] && ids[i]->null_device) continue;
        if (refusal.kind == OutputRefusal::Kind::input) {
            const bool is_index = refusal.input % 2 == 1;
            return what + " is the same file as the " + (is_index ? "index " : "recording ") +
                   inputs[refusal.input] + "; refusing to write over it";
        }
        if (!ids[i]) continue;
        for (size_t j = 0; j < i; ++j) {
            if (ids[j] && *ids[j] == *ids[i]) {
                return what + " is the same file as " + outputs[j].option + " " + outputs[j].path +
                       "; name two files";
            }
        }
        struct stat st {};
        if (stdout_in_use && ids[i]->name.empty() && ::fstat(STDOUT_FILENO, &st) == 0 &&
            Identity{st.st_dev, st.st_ino, {}, false} == *ids[i]) {
            return what + " is the same file as standard output, where the events or the "
                          "summary go; name another file";
        }
    }
    return {};
}

std::string output_place_problem(const NamedOutput& output) {
    const std::string& path = output.path;
    const std::string what = "cannot write " + path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return what + ": " + std::strerror(EISDIR);
        if (!S_ISREG(st.st_mode)) {
            // A device or a pipe is written in place.
            if (::access(path.c_str(), W_OK) != 0) return what + ": " + std::strerror(errno);
            return {};
        }
    }
    // The file is written beside its target and renamed: its directory must take new files.
    const std::string dir = directory_of(path);
    if (::stat(dir.c_str(), &st) != 0) return what + ": " + dir + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return what + ": " + dir + ": " + std::strerror(ENOTDIR);
    if (::access(dir.c_str(), W_OK | X_OK) != 0) {
        return what + ": " + dir + ": " + std::strerror(errno);
    }
    return {};
}

std::string recording_is_directory(const std::vector<std::string>& recordings) {
    for (const std::string& rec : recordings) {
        struct stat st {};
        if (::stat(rec.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            return rec + " is a directory, not a recording";
        }
    }
    return {};
}

}  // namespace korvel::replay
