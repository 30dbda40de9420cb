#include "staged_file.h"

#include <sys/stat.h>

#include <cstring>

#include "common/fatal_error.h"

namespace korvel {

StagedFile::StagedFile(std::string target) : name_(std::move(target)) {
    // A recording goes into a file of its own: a device or a pipe would be written in place
    // by the safe output, and is no place for one.
    struct stat st {};
    if (::stat(name_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        throw FatalError(name_ + ": exists and is not a regular file; nothing was written");
    }
    if (const int err = file_.open(name_, ".abgen-", SafeOutput::Link::replace); err != 0) {
        throw FatalError("cannot write " + name_ + ": " + std::strerror(err));
    }
    sink_ = std::make_unique<FileSink>(file_.fd(), file_.temp_path());
}

StagedFile::~StagedFile() {
    sink_.reset();  // the sink's own descriptor; the file itself goes with file_
}

void StagedFile::finish_writing() {
    if (finished_) return;
    sink_->close();
    if (const int err = file_.finish(); err != 0) {
        throw FatalError("cannot write " + name_ + ": " + std::strerror(err));
    }
    finished_ = true;
}

void StagedFile::commit() {
    finish_writing();
    if (const int err = file_.commit(); err != 0) {
        throw FatalError("cannot put the new file in place of " + name_ + ": " +
                         std::strerror(err));
    }
}

}  // namespace korvel
