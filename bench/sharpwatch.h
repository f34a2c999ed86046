#pragma once

// When a real photo shows sharp on the screen: once nine in ten of its
// points of detail hold their colours there.

#include "detailpoints.h"
#include "xscreen.h"

#include <QColor>
#include <QRect>

#include <functional>
#include <optional>

// The share of `points` that hold their colours on the screen now.
double shareHeld(XScreen &x, const DetailPoints &points);

// The share of `points` that no longer show `empty`, the colour of the place
// before a picture.
double shareShown(XScreen &x, const DetailPoints &points, const QColor &empty);

// Milliseconds from `since` to the moment nine in ten of `points` hold, or
// NaN when not within `limit`; `each` runs on every look.
double whenSharp(XScreen &x, const DetailPoints &points, Clock::time_point since, int limit,
                 const std::function<void()> &each = {});

// The colour of the place around `area` (a picture's, found by its flat
// colour): what the points just off two of its sides show alike.
std::optional<QColor> colourAround(XScreen &x, const QRect &area);

// The area showing flat `colour`, about `aspect` wide to high, once it is the
// same twice half a second apart; none within `limit` ms of `since`.
std::optional<QRect> settledArea(XScreen &x, const QColor &colour, double aspect, Clock::time_point since, int limit);
