#include "io/output_refusal.h"

namespace korvel {

std::string recording_name_ending(const std::string& path) {
    // The final component only: a folder named "x.ab/" is not the output's name.
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const char* ending : {".ab", ".abh"}) {
        const std::string e(ending);
        if (name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0) {
            return e;
        }
    }
    return {};
}

OutputRefusal refuse_output(const std::string& target,
                            const std::vector<std::optional<FileIdentity>>& inputs) {
    OutputRefusal refusal;
    // The input itself is the more telling reason, so it is looked for first.
    if (const std::optional<FileIdentity> id = identity_of_path(target)) {
        for (size_t i = 0; i < inputs.size(); ++i) {
            if (inputs[i] && *inputs[i] == *id) {
                refusal.kind = OutputRefusal::Kind::input;
                refusal.input = i;
                return refusal;
            }
        }
    }
    if (std::string ending = recording_name_ending(target); !ending.empty()) {
        refusal.kind = OutputRefusal::Kind::recording_name;
        refusal.ending = std::move(ending);
    }
    return refusal;
}

}  // namespace korvel
