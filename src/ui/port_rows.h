#pragma once

#include <array>

#include "ui/resource_ids.h"

namespace pivora {

// The controls of one port's row. Port n is bit n of every port mask; its
// row's frame depends on the switch model, everything else does not.
struct PortRow {
    int nameBox;
    int frameTwoPort;  // 0: the port does not exist on a TwoPort switch
    int frameFourPort;
    int claimButton;
    int releaseButton;
};

// Indexed by port 0..3 (rows 4, 3, 2, 1).
constexpr std::array<PortRow, 4> kPortRows = {{
    {IDC_NAME_ROW4, 0, IDC_FRAME_ROW1, IDC_CLAIM_ROW4, IDC_RELEASE_ROW4},
    {IDC_NAME_ROW3, 0, IDC_FRAME_ROW2, IDC_CLAIM_ROW3, IDC_RELEASE_ROW3},
    {IDC_NAME_ROW2, IDC_FRAME_ROW1, IDC_FRAME_ROW3, IDC_CLAIM_ROW2, IDC_RELEASE_ROW2},
    {IDC_NAME_ROW1, IDC_FRAME_ROW2, IDC_FRAME_ROW4, IDC_CLAIM_ROW1, IDC_RELEASE_ROW1},
}};

}  // namespace pivora
