#include "viewer/slideshow.h"

#include <algorithm>
#include <cmath>

#include "viewer/view_state.h"

namespace {

// A time difference on the wrapping millisecond clock.
int32_t Since(uint32_t nowMs, uint32_t thenMs)
{
    return static_cast<int32_t>(nowMs - thenMs);
}

// The next number of a small linear congruential generator: orders need
// not be unpredictable, only different from one round to the next.
uint32_t NextRandom(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

}  // namespace

uint32_t SlideTimeMs(uint32_t slideMs, const ViewerSettings& settings)
{
    if (slideMs != kSlideOneTurn) {
        return slideMs;
    }
    const double rate = std::fabs(settings.autoPanRate);  // radians a second
    if (!settings.extent.panWraps || !settings.autoMotionEnabled || !(rate > 0)) {
        return kDefaultSlideMs;
    }
    const double turnMs = 2 * kPi / rate * 1000;
    return turnMs < kMaxSlideMs ? static_cast<uint32_t>(std::lround(turnMs)) : kMaxSlideMs;
}

Slideshow::Slideshow(uint32_t count, SlideOrder order, uint32_t seed)
    : order_(order), seed_(seed)
{
    for (uint32_t i = 0; i < std::max(count, 1u); ++i) {
        round_.push_back(i);
    }
    lastRound_.reserve(round_.size());  // copied into at each round's end
    NewRound();
}

void Slideshow::NewRound()
{
    if (order_ != SlideOrder::Shuffled || round_.size() < 3) {
        return;
    }
    // The one that opens the round stays first, the others are drawn anew
    // (Fisher-Yates).
    for (size_t i = round_.size() - 1; i > 1; --i) {
        const size_t j = 1 + NextRandom(seed_) % i;
        std::swap(round_[i], round_[j]);
    }
}

uint32_t Slideshow::Following(uint32_t position) const
{
    const uint32_t size = static_cast<uint32_t>(round_.size());
    return backwards_ ? (position + size - 1) % size : (position + 1) % size;
}

uint32_t Slideshow::Upcoming() const
{
    return BackToLastRound() ? lastRound_.back() : round_[Following(position_)];
}

void Slideshow::Show(uint32_t nowMs, uint32_t slideMs)
{
    showEndMs_ = nowMs + slideMs;
    fading_ = false;
    switchAtOnce_ = false;
}

SlideStep Slideshow::Step(uint32_t nowMs, bool upcomingReady, uint32_t fadeMs)
{
    SlideStep step;
    if (round_.size() < 2 || !upcomingReady) {
        return step;
    }
    if (!fading_ && (switchAtOnce_ || Since(nowMs, showEndMs_) >= 0)) {
        fading_ = true;
        fadeStartMs_ = nowMs;
    }
    if (!fading_) {
        return step;
    }
    const int32_t faded = Since(nowMs, fadeStartMs_);
    if (switchAtOnce_ || faded >= static_cast<int32_t>(fadeMs)) {
        const uint32_t size = static_cast<uint32_t>(round_.size());
        const bool roundEnds = !backwards_ && position_ + 1 == size;
        if (BackToLastRound()) {
            round_.swap(lastRound_);
            lastRound_.clear();
            position_ = size - 1;
        } else {
            position_ = Following(position_);
        }
        backwards_ = false;
        fading_ = false;
        if (roundEnds) {
            lastRound_ = round_;
            NewRound();
            position_ = 0;
        }
        step.switched = true;
        return step;
    }
    step.fade = faded <= 0 ? 0.0f : static_cast<float>(faded) / static_cast<float>(fadeMs);
    return step;
}

uint32_t Slideshow::MsUntilDue(uint32_t nowMs) const
{
    if (round_.size() < 2) {
        return UINT32_MAX;
    }
    const int32_t left = Since(showEndMs_, nowMs);
    return fading_ || switchAtOnce_ || left <= 0 ? 0 : static_cast<uint32_t>(left);
}

bool Slideshow::Forward()
{
    const bool changed = backwards_;
    backwards_ = false;
    switchAtOnce_ = round_.size() > 1;
    return changed;
}

bool Slideshow::Back()
{
    const bool changed = !backwards_ && round_.size() > 2;
    backwards_ = round_.size() > 2;
    switchAtOnce_ = round_.size() > 1;
    return changed;
}

void Slideshow::DropUpcoming()
{
    if (round_.size() < 2) {
        return;
    }
    const uint32_t dropped = Upcoming();
    const auto at = std::find(round_.begin(), round_.end(), dropped);
    if (static_cast<uint32_t>(at - round_.begin()) < position_) {
        --position_;
    }
    round_.erase(at);
    lastRound_.erase(std::remove(lastRound_.begin(), lastRound_.end(), dropped), lastRound_.end());
    fading_ = false;
}
