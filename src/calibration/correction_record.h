#pragma once

#include <array>
#include <cstdint>

namespace korvel {

// The values of the correction-factor file CORRFACT.DAT, as far as they converted.
// Nothing in the viewer applies them; they are held while a data file is open.
struct CorrectionRecord {
    int16_t line2_value = 0;
    std::array<float, 10> grid{};
    std::array<std::array<float, 10>, 4> rows{};
};

}  // namespace korvel
