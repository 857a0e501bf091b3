// Rows that a skinned list panel shows at most: when it opens from a drop-down
// box, and when it opens as a nested sub-list. Start-up sets both.
#pragma once

namespace listpanel {

struct RowLimits {
    int dropDownRows = 5;
    int subListRows = 5;
};

inline RowLimits& Limits() {
    static RowLimits limits;
    return limits;
}

}  // namespace listpanel
