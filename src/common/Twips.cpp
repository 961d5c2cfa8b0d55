#include "common/Twips.h"

#include <cmath>

namespace tq::common {

namespace {

constexpr double kTwipsPerInch = 1440.0;

} // namespace

int twipsToPixels(double twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

float pixelsToTwips(int pixels, double dpi)
{
    return static_cast<float>(pixels * kTwipsPerInch / dpi);
}

} // namespace tq::common
