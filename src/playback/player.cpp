#include "playback/player.h"

#include <exception>

#include "format/header_reader.h"
#include "playback/decode_ahead.h"
#include "playback/playback_step.h"

namespace korvel {
namespace {

class SteadyPlayerClock : public PlayerClock {
  public:
    Clock::time_point now() const override { return Clock::now(); }
};

}  // namespace

const PlayerClock& steady_player_clock() {
    static const SteadyPlayerClock clock;
    return clock;
}

Player::Player(const PlayerClock& clock) : clock_(clock) {
    session_.follow.clock = &clock_;
}

Player::~Player() = default;

void Player::set_follow(FollowMode mode, GrowthWatch::Clock::duration grace) {
    session_.follow.set_mode(mode, grace);
}

bool Player::may_step(const Document& doc) const {
    return playback_step_may_run(session_, doc);
}

void Player::mark_start() {
    // The header record Open read (type, cmpr_n and its payload) counts as read.
    span_ = ReadSpan(static_cast<uint64_t>(4 + header_payload_length(session_.header_version)),
                     session_.pos_a, session_.pos_b);
}

void Player::start_file() {
    mark_start();
    // The thread of the file before reads another file's bytes, or the same file from another
    // start: a new one starts over at the readers' positions.
    session_.decode_ahead = nullptr;
    ahead_.reset();
    if (!decode_ahead_wanted_ || !session_.data_file) return;
    std::unique_ptr<ByteSource> own = session_.data_file->open_another();
    if (!own) return;
    // The thread takes camera B's records, the steps camera A's: the two halves of the work.
    // Assembly ahead pays only where a view is on.
    const bool views_on = session_.async_view == 1 || session_.sync_view == 1;
    try {
        ahead_ = std::make_unique<DecodeAhead>(std::move(own), session_.header_version, Camera::B,
                                               views_on);
        session_.decode_ahead = ahead_.get();
    } catch (const std::exception&) {
        // No thread or no memory to be had: the steps decode alone, with the same results.
    }
}

StepAnswer Player::step(PlaybackView& view, Document& doc, PlaybackObserver* observer) {
    if (doc.m_newFile) start_file();
    DecodeContext& ctx = doc.m_pContext ? *doc.m_pContext : *session_.decode_context;
    playback_step(session_, view, doc, ctx, observer);
    span_.update(session_.pos_a, session_.pos_b);
    return answer(session_.data_file->length());
}

StepAnswer Player::answer(uint64_t length) {
    if (span_.reached() > length) {
        // A length measured a moment ago may lie below a record read since: only the file
        // measured now is told shrunk.
        length = session_.data_file->length_now();
        if (span_.reached() > length) return StepAnswer::shrunk;
    }
    if (!playback_caught_up(session_, length)) return StepAnswer::stepped;
    // A file that grew lately is being written: more is to come.
    const bool growing = session_.follow.watch.grew_within(kFollowGrace, clock_.now());
    return growing ? StepAnswer::waiting : StepAnswer::end;
}

Growth Player::look_for_growth(uint64_t length) {
    const uint64_t now_length = session_.data_file->length_now();
    const GrowthWatch::Clock::time_point now = clock_.now();
    session_.follow.watch.observe(now_length, now);
    if (now_length != length) return Growth::grew;
    return session_.follow.watch.quiet(now) ? Growth::quiet : Growth::still;
}

bool Player::ended_before_start() const {
    return playback_ended_before_start(session_);
}

}  // namespace korvel
