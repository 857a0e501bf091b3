// Resources of the tray companion.
#pragma once

#define IDI_TRAY 134          // the program's icon, as the configurator's
#define IDD_TRAY_DISPLAY 200  // the on-screen display: a pop-up of the display's class
