// Where a screensaver's windows go on a desktop of several monitors: which
// monitors get a black cover, and the area one spanned view fills.
#pragma once

#include <cstddef>
#include <cstdint>

// A rectangle of the virtual desktop, right and bottom exclusive. Monitors
// left of or above the primary have negative coordinates.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// The desktop's monitors; a desktop with more shows the first of them.
constexpr size_t kMaxMonitors = 16;

struct MonitorList {
    ScreenRect monitors[kMaxMonitors];
    size_t count = 0;

    void Add(const ScreenRect& monitor);
};

// The monitors to cover in black: each one that shares no pixel with the
// monitor drawn on (a cover over part of it would hide the picture).
MonitorList MonitorsToCover(const MonitorList& desktop, const ScreenRect& drawn);

// The smallest rectangle that holds every monitor: the window of a view
// spanned across them. Empty for an empty list.
ScreenRect SpanArea(const MonitorList& desktop);
