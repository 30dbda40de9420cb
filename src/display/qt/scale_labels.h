#pragma once

#include <string>
#include <utility>
#include <vector>

#include "display/frame.h"
#include "display/qt/backing_store.h"

namespace korvel {

// The scale's labels, each drawn once by the platform into a mask of the pixels it sets and
// from then on written from the mask. The scale is drawn again at every step, ten labels and
// more; the label font has hard edges, so a label is a set of black pixels and drawing it
// again over itself changes nothing.
class ScaleLabels {
  public:
    // Draws text centred on x with the bottom of its cell on y, in the italic scale font of
    // cell height px, clipped to the picture. Returns the rectangle it may have changed.
    DeviceRect draw(BackingStore& store, int x, int y, int px, const std::string& text);
    // The rectangle draw would change, without drawing.
    DeviceRect extent(int x, int y, int px, const std::string& text);

  private:
    struct Run {
        int dy = 0;
        int x0 = 0;
        int x1 = 0;
    };
    // The label's pixels relative to the point its text is drawn at: the left end of the
    // baseline.
    struct Mask {
        int advance = 0;  // of the whole text, as the label is centred by it
        int descent = 0;
        DeviceRect bounds;  // of the runs
        std::vector<Run> runs;
    };
    const Mask& mask(int px, const std::string& text);

    int px_ = 0;
    std::vector<std::pair<std::string, Mask>> masks_;  // of px_
};

}  // namespace korvel
