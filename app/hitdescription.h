// ostrik-view: a found junction, connection or crosswalk in words, with its live states.
#pragma once

#include "networkpicker.h"

#include <QString>

#include <functional>

namespace Corvel {
class Light;
}

/*!
 * Describes a MapHit for the user: names, controller and signal-group numbers, the current
 * state of each group as its controller reports it, and whether the controller is live,
 * online but not followed, offline or missing. States are read from the controllers the
 * moment a text is made; an offline or missing controller has no states ("no state").
 */
namespace HitDescription {

using LightLookup = std::function<const Corvel::Light *(int id)>;

//! "Junction “Main/Mill”", "Connection “c4” at junction “Main/Mill”", "Crosswalk …"; empty for None.
QString title(const MapHit &hit);
//! A few plain-text lines for the tooltip.
QString tooltip(const MapHit &hit, const LightLookup &lookup);
//! The info panel's HTML: the object, its junction, the controller and every group's state.
QString html(const MapHit &hit, const LightLookup &lookup);
//! The state of group \a group of \a light in words ("green", "no state" when it has none).
QString groupStateText(const Corvel::Light *light, int group);

} // namespace HitDescription
