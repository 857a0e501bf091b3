// Resource numbers of the configurator.
#pragma once

#define IDD_MAIN 102          // main window: no controls, the skin gives the look
#define IDD_POPUP_WARNING 5   // warning and confirmation popups
#define IDD_POPUP_ENTRY 131   // name entry, single-key entry
#define IDR_MAINICON 134      // program icon, big and small
#define IDD_POPUP_STAGES 135  // sensitivity stages
#define IDD_POPUP_LIST 136    // predefined commands, preview
