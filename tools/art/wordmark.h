#pragma once

#include <string>

#include "shapes.h"

namespace pivora::art {

// Proportions of the product-name lettering: a geometric sans built from
// strokes, rings and discs, so it stays smooth at any size we pick.
struct LetterMetrics {
    double baseline;
    double capHeight;
    double xHeight;
    double stroke;
    double spacing;  // added between letters
};

struct Lettering {
    Region ink;
    double width;
};

// Letters known: P, i, v, o, r, a.
Lettering setWord(const std::string& word, double left, const LetterMetrics& metrics);

}  // namespace pivora::art
