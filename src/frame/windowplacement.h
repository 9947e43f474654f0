// Where a stored window or floating toolbar goes on the screens there are now: as stored when it
// fits one of them, otherwise moved and shrunk onto the nearest one.
#pragma once

#include <QList>
#include <QRect>
#include <QSize>

#include <cstdint>

struct PlacementRect { // edges as stored: 32-bit values that may be anything
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

// `available` holds each screen's area that windows may take (without panels), the primary
// screen first. A stored rectangle without a positive size gets `fallback` as its size, on the
// screen it lies on or else the primary one.
QRect FitToScreens(const PlacementRect& stored, const QList<QRect>& available,
                   const QSize& fallback);

// True when `rect` lies wholly inside one of the screens.
bool FitsOnAScreen(const QRect& rect, const QList<QRect>& available);

// The available areas of the screens Qt knows, the primary first.
QList<QRect> AvailableScreenAreas();
