// The slideshow's order and timing: each panorama for its time, a fade that waits for the next
// one to be ready, Page Down and Up at once, broken panoramas left out, shuffled rounds; the
// frame times that show a switch keeps to the beat.
#include "viewer/slideshow.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "viewer/frame_times.h"

namespace {

// Steps the show every 10 ms from fromMs to toMs with the upcoming panorama
// ready from readyMs; the panoramas shown at the switches and when they came.
struct Played {
    std::vector<uint32_t> shown;
    std::vector<uint32_t> atMs;
    float largestFade = 0;
};

Played Play(Slideshow& show, uint32_t fromMs, uint32_t toMs, uint32_t readyMs, uint32_t slideMs,
         uint32_t fadeMs)
{
    Played run;
    for (uint32_t now = fromMs; now != toMs; now += 10) {
        const SlideStep step = show.Step(now, static_cast<int32_t>(now - readyMs) >= 0, fadeMs);
        run.largestFade = std::max(run.largestFade, step.fade);
        EXPECT_LT(step.fade, 1.0f);
        if (step.switched) {
            run.shown.push_back(show.Current());
            run.atMs.push_back(now - fromMs);
            show.Show(now, slideMs);
        }
    }
    return run;
}

}  // namespace

TEST(Slideshow, EachPanoramaForItsTimeThenAFadeAndRoundAgain)
{
    struct Case {
        const char* what;
        uint32_t startMs, readyMs;  // the clock may wrap
        std::vector<uint32_t> atMs;
    };
    const Case cases[] = {
        {"ready in time", 1000, 0, {3500, 7000, 10500, 14000}},
        {"the clock wraps", 0xFFFFF000u, 0, {3500, 7000, 10500, 14000}},
        {"the next is late: the current stays", 1000, 5000, {5500, 9000, 12500, 16000}},
    };
    for (const Case& c : cases) {
        Slideshow show(3, SlideOrder::Given, 1);
        show.Show(c.startMs, 3000);
        const Played run = Play(show, c.startMs, c.startMs + 16010, c.startMs + c.readyMs, 3000, 500);
        EXPECT_EQ(run.shown, (std::vector<uint32_t>{1, 2, 0, 1})) << c.what;
        EXPECT_EQ(run.atMs, c.atMs) << c.what;
        EXPECT_GT(run.largestFade, 0.9f) << c.what;
    }
}

TEST(Slideshow, PageDownAndUpSwitchWithoutAFadeOnceReady)
{
    Slideshow show(4, SlideOrder::Given, 1);
    show.Show(0, 60000);
    EXPECT_FALSE(show.SwitchAsked());
    EXPECT_FALSE(show.Forward()) << "the next was upcoming already";
    EXPECT_FALSE(show.Step(10, false, 2000).switched) << "not before it is ready";
    EXPECT_TRUE(show.SwitchAsked()) << "its decode is waited for";
    SlideStep step = show.Step(20, true, 2000);
    EXPECT_TRUE(step.switched);
    EXPECT_EQ(show.Current(), 1u);
    show.Show(20, 60000);
    EXPECT_FALSE(show.SwitchAsked());
    EXPECT_TRUE(show.Back()) << "the previous one must be readied instead";
    EXPECT_EQ(show.Upcoming(), 0u);
    EXPECT_TRUE(show.Step(30, true, 2000).switched);
    EXPECT_EQ(show.Current(), 0u);
    show.Show(30, 60000);
    EXPECT_TRUE(show.Back());
    EXPECT_EQ(show.Upcoming(), 3u) << "before the first comes the last";
    EXPECT_TRUE(show.Forward());
    EXPECT_EQ(show.Upcoming(), 1u);
}

TEST(Slideshow, AFadeCutShortByANewDeviceStartsAgainOnceTheNextIsReady)
{
    Slideshow show(2, SlideOrder::Given, 1);
    show.Show(0, 1000);
    show.Step(1000, true, 1000);
    EXPECT_GT(show.Step(1500, true, 1000).fade, 0.4f);
    show.CancelFade();
    EXPECT_EQ(show.Step(3000, false, 1000).fade, 0.0f);
    EXPECT_EQ(show.Step(3100, true, 1000).fade, 0.0f) << "from the start";
    EXPECT_GT(show.Step(3600, true, 1000).fade, 0.4f);
    EXPECT_TRUE(show.Step(4100, true, 1000).switched);
}

TEST(Slideshow, ABrokenPanoramaLeavesTheShowAndOneLeftShowsAlone)
{
    Slideshow show(3, SlideOrder::Given, 1);
    show.Show(0, 1000);
    show.DropUpcoming();
    EXPECT_EQ(show.Upcoming(), 2u);
    Played run = Play(show, 0, 5010, 0, 1000, 0);
    EXPECT_EQ(run.shown, (std::vector<uint32_t>{2, 0, 2, 0, 2}));
    show.DropUpcoming();
    EXPECT_EQ(show.Upcoming(), show.Current());
    run = Play(show, 5010, 9010, 0, 1000, 0);
    EXPECT_TRUE(run.shown.empty());
}

TEST(Slideshow, ShuffledRoundsStartWithTheFirstAndShowEveryOtherOnce)
{
    Slideshow show(6, SlideOrder::Shuffled, 12345);
    show.Show(0, 100);
    const Played run = Play(show, 0, 3 * 6 * 100 + 10, 0, 100, 0);
    ASSERT_EQ(run.shown.size(), 18u);
    // Each run of six ends with the 0 that opens the next round.
    std::vector<std::vector<uint32_t>> rounds;
    for (size_t i = 0; i < run.shown.size(); i += 6) {
        rounds.emplace_back(run.shown.begin() + i, run.shown.begin() + i + 6);
        std::vector<uint32_t> sorted = rounds.back();
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
        EXPECT_EQ(rounds.back().back(), 0u);
    }
    EXPECT_NE(rounds[1], rounds[2]) << "each round draws its own order";
}

TEST(Slideshow, PageUpAtAShuffledRoundsStartGoesBackToTheOneShownBefore)
{
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        Slideshow show(5, SlideOrder::Shuffled, seed);
        show.Show(0, 100);
        const Played run = Play(show, 0, 5 * 100 + 10, 0, 100, 0);
        ASSERT_EQ(run.shown.size(), 5u);
        ASSERT_EQ(show.Current(), 0u) << "the next round opens";
        show.Back();
        EXPECT_EQ(show.Upcoming(), run.shown[3]) << seed;
        EXPECT_TRUE(show.Step(600, true, 0).switched);
        EXPECT_EQ(show.Current(), run.shown[3]);
        show.Show(600, 100);
        EXPECT_EQ(show.Upcoming(), 0u) << "and forward again to the one after it";
    }
    // One that cannot be shown, met going back, leaves both rounds.
    Slideshow show(4, SlideOrder::Given, 1);
    show.Show(0, 100);
    Play(show, 0, 410, 0, 100, 0);
    show.Back();
    ASSERT_EQ(show.Upcoming(), 3u);
    show.DropUpcoming();
    EXPECT_EQ(show.Upcoming(), 2u);
    EXPECT_TRUE(show.Step(410, true, 0).switched);
    show.Show(410, 100);
    const Played run = Play(show, 410, 1020, 0, 100, 0);
    EXPECT_EQ(run.shown, (std::vector<uint32_t>{0, 1, 2, 0, 1, 2}));
}

TEST(Slideshow, OneTurnIsTheAutomaticPansFullCircle)
{
    const struct {
        uint32_t slideMs;
        bool wraps;
        double rate;  // radians a second
        uint32_t expected;
    } cases[] = {
        {kSlideOneTurn, true, -2 * kPi / 40, 40000},  // a turn in 40 s, either way
        {7000, true, 2 * kPi / 40, 7000},
        {kSlideOneTurn, true, 1e-12, kMaxSlideMs},
        {kSlideOneTurn, true, 0, kDefaultSlideMs},
        {kSlideOneTurn, false, 1, kDefaultSlideMs},
    };
    for (const auto& c : cases) {
        ViewerSettings settings{};
        settings.extent.panWraps = c.wraps;
        settings.autoMotionEnabled = 1;
        settings.autoPanRate = c.rate;
        EXPECT_EQ(SlideTimeMs(c.slideMs, settings), c.expected) << c.rate;
    }
}

TEST(FrameTimes, TheOrdinaryMedianAndTheLongestFrameOfASwitchApart)
{
    FrameTimes times;
    EXPECT_EQ(times.OrdinaryMedianUs(), 0u);
    for (const uint32_t us : {16600u, 16700u, 16650u, 90000u, 400000u}) {
        EXPECT_FALSE(times.Add(us, false)) << "never the longest of a switch";
    }
    EXPECT_TRUE(times.Add(31000, true));
    EXPECT_FALSE(times.Add(17000, true));
    EXPECT_EQ(times.OrdinaryMedianUs(), 16750u) << "16700, to the bucket";
    EXPECT_EQ(times.LongestOrdinaryUs(), 400000u);
    EXPECT_EQ(times.LongestSwitchingUs(), 31000u);
    EXPECT_EQ(times.SwitchingFrames(), 2u);

    // Each switch its own longest; the run's stays.
    EXPECT_EQ(times.TakeLongestOfSwitchUs(), 31000u);
    EXPECT_TRUE(times.Add(20000, true)) << "the next switch counts anew";
    times.Add(25000, false);
    EXPECT_EQ(times.TakeLongestOfSwitchUs(), 20000u);
    EXPECT_EQ(times.TakeLongestOfSwitchUs(), 0u);
    EXPECT_EQ(times.LongestSwitchingUs(), 31000u);
}

TEST(FrameTimes, The99thPercentileIsTheFrameNinetyNineInAHundredKeepTo)
{
    struct Case {
        uint32_t usual, outliers;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {99, 1, 16750},   // one in a hundred longer: still the usual frame
        {98, 2, 90050},   // two in a hundred: the longer one
        {990, 9, 16750},  // the same in a longer run
        {990, 11, 90050},
    };
    for (const Case& c : cases) {
        FrameTimes times;
        for (uint32_t i = 0; i < c.usual + c.outliers; ++i) {
            const uint32_t us = i < c.usual ? 16700 : 90000;
            times.Add(us, false);
            times.Add(us, true);
        }
        EXPECT_EQ(times.OrdinaryP99Us(), c.expected) << c.usual << " + " << c.outliers;
        EXPECT_EQ(times.SwitchingP99Us(), c.expected) << c.usual << " + " << c.outliers;
    }
}
