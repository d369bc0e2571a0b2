#pragma once

#include "sim/InProcessRegister.h"

#include <memory>

// A simulated register that hears only the speed it is set to, as a real one
// does, and sells nothing on its own. Not started yet.
inline std::unique_ptr<InProcessRegister> StrictRegister(uint32_t bitsPerSecond) {
    SimOptions options;
    options.Speed = bitsPerSecond;
    options.StrictSpeed = true;
    options.SellEveryMs = 0;
    return std::make_unique<InProcessRegister>(options);
}
