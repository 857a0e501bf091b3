// The creation functions of the skinned controls, registered with the skin
// loader. A new control adds one RegisterItem line in ItemFactories.cpp.
//
// The loader itself knows no control: whatever loads skins registers them
// once at start-up, before the first load (the program, skinview, the test
// programs). A load before that makes no control.
//
// COMBO and LISTPANEL items open their list panels through the runner that
// the popups layer installs (popups::InstallListPanel); start-up installs it
// beside this registration.
#pragma once

namespace controls {

// Registers every control's creation function (the panel bitmaps and fonts
// among them); safe to call again, which puts back any function replaced
// meanwhile.
void RegisterItemFactories();

}  // namespace controls
