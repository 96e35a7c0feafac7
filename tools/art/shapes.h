#pragma once

#include <functional>
#include <vector>

#include "canvas.h"

namespace pivora::art {

// A shape is a test for a point, in pixel units: pixel (x, y) spans [x, x+1) × [y, y+1).
// Painting samples each pixel on a regular grid, so edges come out smooth and the
// result is the same on every machine.
using Region = std::function<bool(double x, double y)>;
// The colour to paint at a pixel, for gradients.
using Fill = std::function<Rgb(int x, int y)>;

struct Point {
    double x;
    double y;
};

Region rect(double left, double top, double right, double bottom);
Region roundedRect(double left, double top, double right, double bottom, double radius);
Region disc(double cx, double cy, double radius);
Region ring(double cx, double cy, double inner, double outer);
// Corners in order, either way round.
Region convexPolygon(std::vector<Point> corners);

Region unite(Region a, Region b);
Region intersect(Region a, Region b);
Region subtract(Region a, Region b);
// `region` drawn `factor` times as large, about the origin.
Region enlarge(Region region, double factor);

constexpr int kSamplesPerAxis = 8;
constexpr int kFullCoverage = kSamplesPerAxis * kSamplesPerAxis;

// How many of the pixel's samples fall inside, 0 to kFullCoverage.
int coverage(const Region& region, int x, int y);

enum class Edges { Smooth, Hard };

// Hard edges take a pixel whole when at least half of it is inside: for
// 16-colour images, where a blended edge has no colour to land on.
void paint(Canvas& canvas, const Region& region, const Fill& fill, Edges edges = Edges::Smooth);
void paint(Canvas& canvas, const Region& region, Rgb colour, Edges edges = Edges::Smooth);

// Colour running from `first` at `from` to `last` at `to` along one axis, clamped outside.
Rgb ramp(Rgb first, Rgb last, int from, int to, int at);

}  // namespace pivora::art
