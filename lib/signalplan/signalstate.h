// The state codes a traffic-light controller reports for a signal group: the one definition
// that the plugin, the plan format, the importer and the demo host all name.
#pragma once

namespace SignalState {

enum Code {
    Off = 0,
    Green = 1,
    GreenFlashing = 2,
    GreenFlashingAlt = 3,
    Red = 4,
    Yellow = 16,
    RedYellow = 20,
    YellowFlashing = 32,
};

//! True for the codes a controller may report (the list above).
constexpr bool isValid(int code)
{
    return code == Off || code == Green || code == GreenFlashing || code == GreenFlashingAlt || code == Red
        || code == Yellow || code == RedYellow || code == YellowFlashing;
}

//! Green in any form: the group lets traffic go.
constexpr bool isGreen(int code)
{
    return code == Green || code == GreenFlashing || code == GreenFlashingAlt;
}

} // namespace SignalState
