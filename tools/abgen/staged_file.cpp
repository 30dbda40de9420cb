#include "staged_file.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/fatal_error.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

// The temporary names a signal handler must remove. Fixed buffers: a handler may not allocate.
// A recording has two files, so two slots are all that is ever in use.
constexpr int kSlots = 4;
constexpr size_t kMaxPath = 4096;
char g_temp_names[kSlots][kMaxPath];
volatile std::sig_atomic_t g_in_use[kSlots];

extern "C" void remove_temps_and_die(int signal) {
    for (int i = 0; i < kSlots; ++i) {
        if (g_in_use[i]) ::unlink(g_temp_names[i]);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void install_handlers_once() {
    static const bool installed = [] {
        for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, remove_temps_and_die);
        return true;
    }();
    (void)installed;
}

int claim_slot(const std::string& path) {
    if (path.size() >= kMaxPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (g_in_use[i]) continue;
        std::memcpy(g_temp_names[i], path.c_str(), path.size() + 1);
        g_in_use[i] = 1;
        install_handlers_once();
        return i;
    }
    return -1;
}

void release_slot(int slot) {
    if (slot >= 0) g_in_use[slot] = 0;
}

[[noreturn]] void refuse(const std::string& target, const std::string& why) {
    throw FatalError(target + ": " + why + "; nothing was written");
}

}  // namespace

StagedFile::StagedFile(std::string target) : target_(std::move(target)) {
    std::error_code ec;
    const fs::file_status st = fs::status(target_, ec);
    if (fs::exists(st) && !fs::is_regular_file(st)) {
        refuse(target_, "exists and is not a regular file");
    }
    const fs::path path(target_);
    const fs::path dir = path.parent_path();
    // A short name of its own: the target's name may already be as long as a name can be.
    const std::string stem = ".abgen-" + std::to_string(::getpid());
    // The name is made exclusive by the sink (it refuses an existing file); skipping names
    // that exist only keeps a leftover of an earlier run from stopping this one.
    for (int n = 0;; ++n) {
        temp_ = (dir / (stem + "-" + std::to_string(n))).string();
        if (!fs::exists(fs::symlink_status(temp_, ec))) break;
        if (n == 99) refuse(target_, "no free temporary name beside it");
    }
    slot_ = claim_slot(temp_);
    try {
        sink_ = std::make_unique<FileSink>(temp_, FileSink::Existing::keep);
    } catch (const FatalError& e) {
        release_slot(slot_);
        throw FatalError("cannot write " + target_ + ": " + e.text());
    }
}

StagedFile::~StagedFile() {
    if (committed_) return;
    sink_.reset();
    std::remove(temp_.c_str());
    release_slot(slot_);
}

void StagedFile::finish_writing() {
    sink_->close();
}

void StagedFile::commit() {
    sink_->close();
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        throw FatalError("cannot put the new file in place of " + target_ + ": " + reason);
    }
    committed_ = true;
    release_slot(slot_);
}

}  // namespace korvel
