#include "frame/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {
int64_t OverlapArea(const PlacementRect& r, const QRect& screen) {
    const int64_t w = std::min<int64_t>(r.right, int64_t(screen.x()) + screen.width()) -
                      std::max<int64_t>(r.left, screen.x());
    const int64_t h = std::min<int64_t>(r.bottom, int64_t(screen.y()) + screen.height()) -
                      std::max<int64_t>(r.top, screen.y());
    return w > 0 && h > 0 ? w * h : 0;
}

// Distance from the rectangle's centre to the screen, on the longer axis.
int64_t Distance(const PlacementRect& r, const QRect& screen) {
    const int64_t cx = r.left / 2 + r.right / 2;
    const int64_t cy = r.top / 2 + r.bottom / 2;
    const int64_t dx = std::max<int64_t>(
        {int64_t(screen.x()) - cx, 0, cx - (int64_t(screen.x()) + screen.width())});
    const int64_t dy = std::max<int64_t>(
        {int64_t(screen.y()) - cy, 0, cy - (int64_t(screen.y()) + screen.height())});
    return std::max(dx, dy);
}

int Clamp(int64_t value, int low, int high) {
    return static_cast<int>(std::clamp<int64_t>(value, low, std::max(low, high)));
}
} // namespace

bool FitsOnAScreen(const QRect& rect, const QList<QRect>& available) {
    return std::any_of(available.begin(), available.end(),
                       [&](const QRect& screen) { return screen.contains(rect); });
}

QRect FitToScreens(const PlacementRect& stored, const QList<QRect>& available,
                   const QSize& fallback) {
    if (available.isEmpty())
        return QRect(QPoint(0, 0), fallback);
    PlacementRect r = stored;
    if (r.right <= r.left || r.bottom <= r.top) {
        r.right = r.left + fallback.width();
        r.bottom = r.top + fallback.height();
    }
    // The screen it overlaps most, else the one nearest to its centre.
    int best = 0;
    int64_t bestOverlap = -1;
    int64_t bestDistance = INT64_MAX;
    for (int i = 0; i < available.size(); ++i) {
        const int64_t overlap = OverlapArea(r, available[i]);
        const int64_t distance = Distance(r, available[i]);
        if (overlap > bestOverlap ||
            (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = i;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    const QRect& screen = available[best];
    const int width = static_cast<int>(std::min<int64_t>(r.right - r.left, screen.width()));
    const int height = static_cast<int>(std::min<int64_t>(r.bottom - r.top, screen.height()));
    const int x = Clamp(r.left, screen.x(), screen.x() + screen.width() - width);
    const int y = Clamp(r.top, screen.y(), screen.y() + screen.height() - height);
    return QRect(x, y, width, height);
}

QList<QRect> AvailableScreenAreas() {
    QList<QRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    return areas;
}
