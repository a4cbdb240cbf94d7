// The order and timing of a slideshow of several panoramas: which one
// shows, which one comes next, and how far the next one has faded in. The
// viewer feeds it the clock and whether the next panorama is ready; it
// decides nothing that needs the platform and never waits.
#pragma once

#include <cstdint>
#include <vector>

#include "package/pano_settings.h"
#include "package/viewer_options.h"

// How long a panorama shows: slideMs, or for kSlideOneTurn the time of one
// full turn of its automatic pan when it wraps and pans by itself (at most
// a day), else kDefaultSlideMs.
uint32_t SlideTimeMs(uint32_t slideMs, const ViewerSettings& settings);

struct SlideStep {
    // How far the next panorama has faded in, from 0 (not drawn) below 1.
    float fade = 0;
    // The next panorama has just become the one shown: the viewer lets the
    // old one go, calls Show for the new one and readies the next.
    bool switched = false;
};

class Slideshow {
public:
    // A show of count panoramas (at least 1), starting with panorama 0;
    // seed draws the shuffled orders.
    Slideshow(uint32_t count, SlideOrder order, uint32_t seed);

    // The panorama shown.
    uint32_t Current() const { return round_[position_]; }
    // The panorama to have ready next: the one after the current, or the
    // one before it after Back (before a shuffled round's first, the last
    // of the round shown before). Equal to Current when no other is left.
    uint32_t Upcoming() const;

    // The current panorama shows from nowMs for slideMs.
    void Show(uint32_t nowMs, uint32_t slideMs);
    // Where the show stands at nowMs. Once the current panorama's time is
    // up and the upcoming one is ready it fades in over fadeMs; one that is
    // not ready yet keeps the current one on screen until it is.
    SlideStep Step(uint32_t nowMs, bool upcomingReady, uint32_t fadeMs);

    // Milliseconds until Step would start a fade or a switch if the
    // upcoming panorama were ready: 0 while one runs or is asked for;
    // UINT32_MAX with no other panorama left.
    uint32_t MsUntilDue(uint32_t nowMs) const;

    // Page Down and Page Up: the next or the previous panorama is upcoming
    // and replaces the current one, without a fade, as soon as it is ready.
    // True when the upcoming panorama changed, so its decode must restart.
    bool Forward();
    bool Back();
    // Forward or Back asked for a switch that has not come yet.
    bool SwitchAsked() const { return switchAtOnce_; }
    // The upcoming panorama is no longer ready (a new device): a fade that
    // began starts again once it is.
    void CancelFade() { fading_ = false; }
    // The upcoming panorama cannot be shown: it leaves the show for good,
    // and the one after it is upcoming.
    void DropUpcoming();

private:
    void NewRound();
    uint32_t Following(uint32_t position) const;
    // Back from a round's first goes to the round shown before it.
    bool BackToLastRound() const { return backwards_ && position_ == 0 && !lastRound_.empty(); }

    SlideOrder order_;
    uint32_t seed_;
    std::vector<uint32_t> round_;  // the panoramas still in the show, in this round's order
    std::vector<uint32_t> lastRound_;  // the round before this one; empty once gone back to
    uint32_t position_ = 0;        // of the current panorama in round_
    bool backwards_ = false;       // Back asked for the previous one
    bool switchAtOnce_ = false;    // Forward or Back asked: no fade, no waiting for the time
    bool fading_ = false;
    uint32_t showEndMs_ = 0;
    uint32_t fadeStartMs_ = 0;
};
