// The extension module korvel._korvel: the player and its reports for Python. It hands the
// Python package (korvel/__init__.py) plain arrays and dicts; the package builds the pandas
// and xarray objects from them and raises korvel.Error with a fatal text.

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>

#include "commands/headless_player.h"
#include "common/fatal_error.h"
#include "format/header_reader.h"
#include "format/index_file.h"
#include "format/recorded_minutes.h"
#include "io/disk_file_opener.h"
#include "replay_columns.h"
#include "replay_options.h"
#include "replay_progress.h"
#include "replay_run.h"
#include "statistics/minute_csv.h"
#include "statistics/pair_decision.h"

namespace py = pybind11;

namespace korvel::python {
namespace {

// A vector's storage handed to numpy as it is, without a copy: the array owns it.
template <typename T>
py::array_t<T> to_array(std::vector<T>&& values) {
    auto* held = new std::vector<T>(std::move(values));
    py::capsule owner(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>({static_cast<py::ssize_t>(held->size())}, {sizeof(T)}, held->data(),
                          owner);
}

// Text that may hold a file name's bytes as they are (not UTF-8): decoded as Python decodes
// file names, so that os.fsencode gives the bytes back.
py::str os_text(const std::string& text) {
    PyObject* s = PyUnicode_DecodeUTF8(text.data(), static_cast<py::ssize_t>(text.size()),
                                       "surrogateescape");
    if (s == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(s);
}

HeadlessView view_named(const std::string& name) {
    if (name == "async") return HeadlessView::async;
    if (name == "sync") return HeadlessView::sync;
    if (name == "none") return HeadlessView::none;
    throw py::value_error("view must be 'async', 'sync' or 'none', not '" + name + "'");
}

py::dict header_dict(const HeaderFacts& h) {
    py::dict d;
    d["header_version"] = h.header_version;
    d["line_rate"] = h.line_rate;
    d["line_width"] = h.line_width;
    d["start_time"] = h.start_time;
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", h.year, h.month, h.day);
    d["date"] = std::string(date);
    return d;
}

// Fixed-width texts as a numpy array of Python str, NaN where a text is empty: the pandas
// column as read_csv gives it, made in one pass without numpy's unicode detour.
py::array text_objects(const std::string& text, size_t width) {
    const size_t n = width == 0 ? 0 : text.size() / width;
    py::array out(py::dtype("O"), py::array::ShapeContainer{static_cast<py::ssize_t>(n)});
    auto* cells = static_cast<PyObject**>(out.mutable_data());
    const py::float_ nan(std::numeric_limits<double>::quiet_NaN());
    for (size_t i = 0; i < n; ++i) {
        const char* cell = text.data() + i * width;
        const size_t len = strnlen(cell, width);
        PyObject* value = len == 0 ? nan.inc_ref().ptr()
                                   : PyUnicode_DecodeASCII(cell, static_cast<py::ssize_t>(len), nullptr);
        if (value == nullptr) throw py::error_already_set();
        Py_XDECREF(cells[i]);  // what numpy put in a new object array (None, or nothing)
        cells[i] = value;
    }
    return out;
}

// The minutes as the --minutes CSV has them: every row's minute of the day, its label and
// its ten counts.
py::dict minute_columns(const MinuteStatistics& stats) {
    std::vector<int64_t> minute;
    std::string labels;
    std::vector<std::vector<int64_t>> counts(kMinuteCountColumns.size());
    size_t width = 8;
    std::vector<std::string> label_list;
    for_each_minute(stats, [&](int64_t m, const MinuteCounts& c) {
        minute.push_back(m);
        label_list.push_back(minute_label(m));
        if (label_list.back().size() > width) width = label_list.back().size();
        const auto values = minute_count_values(c);
        for (size_t i = 0; i < values.size(); ++i) counts[i].push_back(values[i]);
    });
    labels.reserve(label_list.size() * width);
    for (const std::string& label : label_list) {
        labels += label;
        labels.append(width - label.size(), '\0');
    }
    py::dict d;
    d["minute"] = to_array(std::move(minute));
    d["time"] = text_objects(labels, width);
    for (size_t i = 0; i < counts.size(); ++i) {
        d[kMinuteCountColumns[i]] = to_array(std::move(counts[i]));
    }
    return d;
}

void add_side(py::dict& d, const char* prefix, PairColumns::Side&& side) {
    const std::string p = prefix;
    d[(p + "present").c_str()] = to_array(std::move(side.present));
    d[(p + "y_first").c_str()] = to_array(std::move(side.y_first));
    d[(p + "y_last").c_str()] = to_array(std::move(side.y_last));
    d[(p + "line_count").c_str()] = to_array(std::move(side.line_count));
    d[(p + "max_width").c_str()] = to_array(std::move(side.max_width));
    d[(p + "x_min").c_str()] = to_array(std::move(side.x_min));
    d[(p + "x_max").c_str()] = to_array(std::move(side.x_max));
}

py::dict pair_columns(PairColumns&& c) {
    py::dict d;
    d["time"] = text_objects(c.times, c.time_width);
    d["outcome"] = to_array(std::move(c.outcome));
    add_side(d, "a_", std::move(c.a));
    add_side(d, "b_", std::move(c.b));
    d["lag_lines"] = to_array(std::move(c.lag_lines));
    d["lag_ms"] = to_array(std::move(c.lag_ms));
    return d;
}

py::dict run_replay(const std::string& path, const std::string& work_dir, int hour, int minute,
                    int second, const std::string& view, bool minutes, bool pairs,
                    int64_t max_steps, bool decode_ahead, py::object progress,
                    double poll_seconds) {
    ReplayRequest request;
    request.path = path;
    request.work_dir = work_dir;
    request.hour = hour;
    request.minute = minute;
    request.second = second;
    request.view = view_named(view);
    request.minutes = minutes;
    request.pairs = pairs;
    request.max_steps = max_steps;
    request.decode_ahead = decode_ahead;
    // Ctrl+C and a progress callback that raises end the replay between two steps; the
    // exception goes on to the caller once the player has stopped.
    std::exception_ptr pending;
    const ReplayPoll poll = [&](uint64_t done, uint64_t total) {
        py::gil_scoped_acquire gil;
        try {
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
            if (!progress.is_none()) progress(done, total);
            return true;
        } catch (...) {
            pending = std::current_exception();
            return false;
        }
    };
    ReplayResult result;
    {
        py::gil_scoped_release released;
        result = replay(request, poll,
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(poll_seconds)));
    }
    if (pending) std::rethrow_exception(pending);
    py::dict d;
    d["opened"] = result.opened;
    d["fatal"] = result.fatal_text.empty() ? py::object(py::none()) : os_text(result.fatal_text);
    d["steps"] = result.steps;
    d["bytes_done"] = result.bytes_done;
    d["bytes_total"] = result.bytes_total;
    if (result.opened) d["header"] = header_dict(result.header);
    if (result.minutes) d["minutes"] = minute_columns(*result.minutes);
    if (result.pairs) d["pairs"] = pair_columns(std::move(*result.pairs));
    return d;
}

py::dict open_recording(const std::string& path, const std::string& work_dir) {
    HeadlessStart start;
    start.path = path;
    start.work_dir = work_dir;
    start.view = HeadlessView::none;
    start.decode_ahead = false;
    DiskFileOpener opener;
    HeadlessPlayer player(std::move(start), opener);
    py::dict d;
    try {
        py::gil_scoped_release released;
        if (!player.open()) throw FatalError("no file was opened");
    } catch (const FatalError& e) {
        d["fatal"] = os_text(e.text());
        return d;
    }
    const PlaybackSession& s = player.session();
    const DecodeContext& ctx = player.context();
    const HeaderFacts h = header_facts(s, ctx);
    d["fatal"] = py::none();
    d["header"] = header_dict(h);
    d["index_a"] = to_array(std::vector<uint32_t>(s.minute_pos_a.begin(), s.minute_pos_a.end()));
    d["index_b"] = to_array(std::vector<uint32_t>(s.minute_pos_b.begin(), s.minute_pos_b.end()));
    d["length"] = player.length_now();
    if (const auto recorded = recorded_minutes(s.minute_pos_a, s.minute_pos_b)) {
        d["first_minute"] = recorded->first;
        d["last_minute"] = recorded->last;
    } else {
        d["first_minute"] = py::none();
        d["last_minute"] = py::none();
    }
    return d;
}

// korvel-replay --events itself, written to the file open on fd: the lines are the tool's.
py::tuple write_events(int fd, const std::string& path, const std::string& work_dir, int hour,
                       int minute, int second, const std::string& view) {
    replay::ReplayOptions options;
    options.start_hour = hour;
    options.start_minute = minute;
    options.start_second = second;
    options.view = view == "sync" ? replay::ViewMode::sync
                   : view == "none" ? replay::ViewMode::none
                                    : replay::ViewMode::async;
    view_named(view);  // refuses any other name
    options.events = true;
    options.corrections_dir = work_dir;
    options.files = {path};
    const int own = dup(fd);
    std::FILE* out = own >= 0 ? fdopen(own, "w") : nullptr;
    if (out == nullptr) {
        if (own >= 0) close(own);
        throw std::runtime_error(std::string("cannot write the events: ") + std::strerror(errno));
    }
    replay::FileReplay result;
    int status = 0;
    {
        py::gil_scoped_release released;
        replay::ReplayProgress progress(out, 1);  // not a terminal: shows nothing
        status = replay::replay_file(options, path, out, progress, 0, result);
    }
    const bool failed = std::ferror(out) != 0;
    const int error = errno;
    if (std::fclose(out) != 0 || failed) {
        throw std::runtime_error(std::string("cannot write the events: ") +
                                 std::strerror(failed ? error : errno));
    }
    return py::make_tuple(status, os_text(result.fatal_text));
}

}  // namespace
}  // namespace korvel::python

PYBIND11_MODULE(_korvel, m) {
    using namespace korvel;
    using namespace korvel::python;
    m.doc() = "The C++ player under the korvel package; use the package's functions instead.";
    m.attr("version") = KORVEL_VERSION;
    py::list pair_names, minute_names, outcomes;
    for (const char* c : kPairColumns) pair_names.append(c);
    for (const char* c : kMinuteCountColumns) minute_names.append(c);
    for (auto o : {MatchOutcome::pair, MatchOutcome::reject, MatchOutcome::drop_a,
                   MatchOutcome::drop_b}) {
        outcomes.append(match_outcome_name(o));
    }
    m.attr("pair_columns") = pair_names;
    m.attr("minute_count_columns") = minute_names;
    m.attr("outcome_names") = outcomes;
    m.def("replay", &run_replay, py::arg("path"), py::arg("work_dir"), py::arg("hour"),
          py::arg("minute"), py::arg("second"), py::arg("view"), py::arg("minutes"),
          py::arg("pairs"), py::arg("max_steps"), py::arg("decode_ahead"), py::arg("progress"),
          py::arg("poll_seconds"),
          "Replays one recording without the GIL; returns a dict of header, minute and pair "
          "columns and the fatal text (None when there was none).");
    m.def("open_recording", &open_recording, py::arg("path"), py::arg("work_dir"),
          "Opens a recording as korvel-replay does; returns its header and index, or its "
          "fatal text.");
    m.def(
        "index_file_path",
        [](const std::string& data_path) { return py::bytes(index_file_path(data_path)); },
        py::arg("data_path"), "The index file the player looks for beside a data file (bytes).");
    m.def("write_events", &write_events, py::arg("fd"), py::arg("path"), py::arg("work_dir"),
          py::arg("hour"), py::arg("minute"), py::arg("second"), py::arg("view"),
          "Writes korvel-replay's --events lines to the file open on fd; returns (exit "
          "status, fatal text).");
}
