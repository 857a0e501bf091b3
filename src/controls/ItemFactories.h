// The creation functions of the skinned controls, registered with the skin
// loader. A new control adds one RegisterItem line in ItemFactories.cpp.
#pragma once

namespace controls {

// Registers every control's creation function; safe to call again. The skin
// loader calls it before its first load.
void RegisterItemFactories();

}  // namespace controls
