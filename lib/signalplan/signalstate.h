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

/*!
 * The code of one of SUMO's signal letters: G, g and s (green that must yield or stop
 * first) green; y yellow; r red; u red-yellow; o (off, blinking) yellow flashing; O (off)
 * off. -1 for a letter SUMO does not define.
 */
constexpr int fromSumo(char letter)
{
    switch (letter) {
    case 'G': case 'g': case 's': return Green;
    case 'y': return Yellow;
    case 'r': return Red;
    case 'u': return RedYellow;
    case 'o': return YellowFlashing;
    case 'O': return Off;
    default: return -1;
    }
}

} // namespace SignalState
