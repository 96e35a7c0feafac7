#include "scale.h"

namespace pivora::art {

std::string scaledName(const std::string& stem, int percent) {
    return percent == 100 ? stem + ".bmp" : stem + "@" + std::to_string(percent) + ".bmp";
}

}  // namespace pivora::art
