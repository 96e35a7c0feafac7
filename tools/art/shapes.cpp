#include "shapes.h"

#include <algorithm>
#include <utility>

namespace pivora::art {

Region rect(double left, double top, double right, double bottom) {
    return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

Region roundedRect(double left, double top, double right, double bottom, double radius) {
    return [=](double x, double y) {
        if (x < left || x >= right || y < top || y >= bottom) return false;
        // Distance into the corner square, if the point is in one.
        double dx = std::max({left + radius - x, x - (right - radius), 0.0});
        double dy = std::max({top + radius - y, y - (bottom - radius), 0.0});
        return dx * dx + dy * dy <= radius * radius;
    };
}

Region disc(double cx, double cy, double radius) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
}

Region ring(double cx, double cy, double inner, double outer) {
    return [=](double x, double y) {
        double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d <= outer * outer && d > inner * inner;
    };
}

Region convexPolygon(std::vector<Point> corners) {
    return [corners = std::move(corners)](double x, double y) {
        bool anyLeft = false;
        bool anyRight = false;
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const Point& a = corners[i];
            const Point& b = corners[(i + 1) % corners.size()];
            double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
            if (cross < 0) anyLeft = true;
            if (cross > 0) anyRight = true;
        }
        return !(anyLeft && anyRight);
    };
}

Region unite(Region a, Region b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) || b(x, y); };
}

Region intersect(Region a, Region b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && b(x, y); };
}

Region subtract(Region a, Region b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && !b(x, y); };
}

Region enlarge(Region region, double factor) {
    return [region = std::move(region), factor](double x, double y) { return region(x / factor, y / factor); };
}

int coverage(const Region& region, int x, int y) {
    int inside = 0;
    for (int j = 0; j < kSamplesPerAxis; ++j)
        for (int i = 0; i < kSamplesPerAxis; ++i) {
            // Sample centres are exact binary fractions, so the tests round the same everywhere.
            double sx = x + (i + 0.5) / kSamplesPerAxis;
            double sy = y + (j + 0.5) / kSamplesPerAxis;
            if (region(sx, sy)) ++inside;
        }
    return inside;
}

void paint(Canvas& canvas, const Region& region, const Fill& fill, Edges edges) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            int amount = coverage(region, x, y);
            if (edges == Edges::Hard) amount = amount * 2 >= kFullCoverage ? kFullCoverage : 0;
            if (amount > 0) canvas.blend(x, y, fill(x, y), amount, kFullCoverage);
        }
}

void paint(Canvas& canvas, const Region& region, Rgb colour, Edges edges) {
    paint(
        canvas, region, [colour](int, int) { return colour; }, edges);
}

Rgb ramp(Rgb first, Rgb last, int from, int to, int at) {
    if (to <= from) return first;
    int clamped = std::clamp(at, from, to);
    return mix(first, last, clamped - from, to - from);
}

}  // namespace pivora::art
