#pragma once

#include <map>
#include <string>

#include "control/panel_state.h"

namespace pivora {

// An arrow button's image: which one (its look and its port's digit), not a
// handle, so that images loaded again at another scale compare equal.
struct ArrowLook {
    ArrowImage image;  // never Hidden: a hidden button keeps the look it had
    int port;
    bool operator==(const ArrowLook& other) const { return image == other.image && port == other.port; }
    bool operator!=(const ArrowLook& other) const { return !(*this == other); }
};

// What the panel's controls show for one PanelState, each keyed by its
// control id (ui/resource_ids.h): the texts (an arrow button's is the name a
// screen reader says), which controls are shown, each shown arrow's image.
// Every window that draws the panel draws this, and touches only what
// differs from the last one it drew.
struct PanelLook {
    std::map<int, std::string> texts;
    std::map<int, bool> shown;
    std::map<int, ArrowLook> images;

    // What a hidden button showed and was named is what it still is: the
    // entries of `before` this look has none of are kept.
    void keepHiddenFrom(const PanelLook& before);
};

PanelLook panelLookOf(const PanelState& panel);

// What a screen reader says of an arrow button: the port's number, the digit
// on the arrow, and what its image shows ("Port 2, move here").
std::string arrowName(bool claims, ArrowImage image, int port);

// Calls `apply(id, value)` for each entry of `now` whose value differs from
// `before`'s, or for every one when `all`.
template <typename Value, typename Apply>
void forEachChanged(const std::map<int, Value>& now, const std::map<int, Value>& before, bool all, Apply apply) {
    for (const auto& entry : now) {
        const auto old = before.find(entry.first);
        if (all || old == before.end() || old->second != entry.second) apply(entry.first, entry.second);
    }
}

}  // namespace pivora
