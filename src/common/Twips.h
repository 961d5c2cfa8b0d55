#pragma once
// Twips (1/1440 inch), the unit window sizes and positions are stored in, and
// pixels at a screen's logical DPI: a stored size means the same physical
// size on any screen.

namespace tq::common {

// Twips to whole pixels at `dpi` dots per inch, rounded to the nearest pixel.
int twipsToPixels(double twips, double dpi);
// Pixels to twips at `dpi`.
float pixelsToTwips(int pixels, double dpi);

} // namespace tq::common
