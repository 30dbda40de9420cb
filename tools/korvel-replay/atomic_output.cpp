#include "atomic_output.h"

#include <cstring>

namespace korvel::replay {

AtomicOutput::~AtomicOutput() {
    stream_.reset();  // before file_ closes the descriptor under it
}

bool AtomicOutput::open(const std::string& target, std::string& error) {
    stream_.reset();
    if (const int err = file_.open(target, ".korvel-replay-"); err != 0) {
        error = std::strerror(err);
        return false;
    }
    stream_ = std::make_unique<ReasonStream>(file_.fd(), false);
    return true;
}

bool AtomicOutput::write(const void* data, size_t size) {
    return std::fwrite(data, 1, size, stream_->get()) == size;
}

bool AtomicOutput::commit(std::string& error) {
    int reason = stream_->flush();
    stream_.reset();
    if (reason == 0) {
        reason = file_.commit();
    } else {
        file_.discard();
    }
    if (reason != 0) {
        error = std::strerror(reason);
        return false;
    }
    return true;
}

}  // namespace korvel::replay
