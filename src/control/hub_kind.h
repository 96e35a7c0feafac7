#pragma once

namespace pivora {

// The switch model, decided once the hub is located: TwoPort switches have
// ports 2 and 3 only, FourPort switches ports 0 to 3.
enum HubKind : int { UnknownHub = 0, TwoPort = 2, FourPort = 5 };

}  // namespace pivora
