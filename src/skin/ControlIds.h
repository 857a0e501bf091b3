// The control ids of the skin items, by their control names: ctl::BUTTON_OK.
// Each id is written once, in ControlList.inc, which the name table reads too.
#pragma once

#include <cstdint>

namespace ctl {

enum ControlId : int32_t {
#define TARN_CONTROL(id, name) name = id,
#include "skin/ControlList.inc"
#undef TARN_CONTROL
};

}  // namespace ctl
