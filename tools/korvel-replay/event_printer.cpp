#include "event_printer.h"

#include "json_writer.h"

namespace korvel::replay {
namespace {

const char* camera_name(Camera camera) {
    return camera == Camera::A ? "A" : "B";
}

}  // namespace

std::string particle_json(const Particle& p) {
    return JsonLine()
        .num("y_first", p.y_first)
        .num("y_last", p.y_last)
        .num("line_count", int64_t{p.line_count})
        .num("max_width", int64_t{p.max_width})
        .num("x_min", int64_t{p.x_min})
        .num("x_max", int64_t{p.x_max})
        .take();
}

JsonLine ReplayObserver::event(const char* name) {
    JsonLine line;
    line.str("ev", name);
    if (!named_) {
        line.str("file", file_);
        named_ = true;
    }
    return line;
}

void ReplayObserver::emit(const std::string& json) {
    std::fwrite(json.data(), 1, json.size(), out_);
    std::fputc('\n', out_);
}

void ReplayObserver::on_record(const DecodedRecordEvent& ev) {
    if (!print_) return;
    emit(event("record")
             .num("step", step_)
             .str("cam", camera_name(ev.camera))
             .num("pos", int64_t{ev.pos})
             .num("n", int64_t{ev.n})
             .num("y_first", ev.y_first)
             .num("y_last", ev.y_last)
             .boolean("handed_on", ev.handed_on)
             .take());
}

void ReplayObserver::on_wait(Camera camera, const Particle& p) {
    if (!print_) return;
    emit(event("wait")
             .num("step", step_)
             .str("cam", camera_name(camera))
             .raw("p", particle_json(p))
             .take());
}

void ReplayObserver::on_match(const Particle* a, const Particle* b, MatchOutcome outcome) {
    if (!print_) return;
    JsonLine line = event("match");
    line.num("step", step_).str("outcome", match_outcome_name(outcome));
    if (a) {
        line.raw("a", particle_json(*a));
    } else {
        line.null("a");
    }
    if (b) {
        line.raw("b", particle_json(*b));
    } else {
        line.null("b");
    }
    emit(line.take());
}

}  // namespace korvel::replay
