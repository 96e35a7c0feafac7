#include "wordmark.h"

#include <stdexcept>

namespace pivora::art {

namespace {

// Round letters reach a little past the lines so they look as tall as the flat ones.
constexpr double kOvershoot = 0.5;
// Bowls look thinner than stems of the same width.
constexpr double kRoundExtra = 0.25;

Lettering letterP(double left, const LetterMetrics& m) {
    double top = m.baseline - m.capHeight;
    double bowlHeight = m.capHeight * 0.625;
    double radius = bowlHeight / 2;
    double bowlStart = left + m.stroke + 3.0;
    double bowlBottom = top + bowlHeight;
    double cy = top + radius;
    Region ink = rect(left, top, left + m.stroke, m.baseline);
    ink = unite(ink, rect(left, top, bowlStart, top + m.stroke));
    ink = unite(ink, rect(left, bowlBottom - m.stroke, bowlStart, bowlBottom));
    ink = unite(ink, intersect(ring(bowlStart, cy, radius - m.stroke - kRoundExtra, radius),
                               rect(bowlStart, top, bowlStart + radius, bowlBottom)));
    return {ink, bowlStart + radius - left};
}

Lettering letterI(double left, const LetterMetrics& m) {
    double top = m.baseline - m.capHeight;
    double dot = m.stroke / 2 + 0.25;
    Region ink = unite(rect(left, m.baseline - m.xHeight, left + m.stroke, m.baseline),
                       disc(left + m.stroke / 2, top + dot, dot));
    return {ink, m.stroke};
}

Lettering letterV(double left, const LetterMetrics& m) {
    double width = m.xHeight * 0.95;
    double top = m.baseline - m.xHeight;
    double foot = m.stroke + 0.5;  // slanted strokes need more width to look as heavy
    double mid = left + width / 2;
    Region leftArm =
        convexPolygon({{left, top}, {left + foot, top}, {mid + foot / 2, m.baseline}, {mid - foot / 2, m.baseline}});
    Region rightArm = convexPolygon(
        {{left + width - foot, top}, {left + width, top}, {mid + foot / 2, m.baseline}, {mid - foot / 2, m.baseline}});
    return {unite(leftArm, rightArm), width};
}

Region bowl(double left, const LetterMetrics& m) {
    double radius = m.xHeight / 2 + kOvershoot;
    return ring(left + radius, m.baseline - m.xHeight / 2, radius - m.stroke - kRoundExtra, radius);
}

Lettering letterO(double left, const LetterMetrics& m) { return {bowl(left, m), m.xHeight + 2 * kOvershoot}; }

Lettering letterR(double left, const LetterMetrics& m) {
    double radius = m.xHeight / 2 + kOvershoot;
    double top = m.baseline - m.xHeight;
    double width = radius + 2.5;
    // The upper left of a bowl, cut off square where the shoulder ends.
    Region shoulder = intersect(bowl(left, m), rect(left + m.stroke / 2, top - kOvershoot, left + width, top + radius));
    return {unite(rect(left, top, left + m.stroke, m.baseline), shoulder), width};
}

Lettering letterA(double left, const LetterMetrics& m) {
    double width = m.xHeight + 2 * kOvershoot;
    Region stem = rect(left + width - m.stroke, m.baseline - m.xHeight, left + width, m.baseline);
    return {unite(bowl(left, m), stem), width};
}

Lettering letter(char c, double left, const LetterMetrics& m) {
    switch (c) {
        case 'P':
            return letterP(left, m);
        case 'i':
            return letterI(left, m);
        case 'v':
            return letterV(left, m);
        case 'o':
            return letterO(left, m);
        case 'r':
            return letterR(left, m);
        case 'a':
            return letterA(left, m);
        default:
            throw std::invalid_argument(std::string("no lettering for '") + c + "'");
    }
}

}  // namespace

Lettering setWord(const std::string& word, double left, const LetterMetrics& metrics) {
    Region ink = [](double, double) { return false; };
    double pen = left;
    for (char c : word) {
        Lettering one = letter(c, pen, metrics);
        ink = unite(ink, one.ink);
        pen += one.width + metrics.spacing;
    }
    return {ink, pen - metrics.spacing - left};
}

}  // namespace pivora::art
