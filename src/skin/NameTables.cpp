#include "skin/NameTables.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <map>

namespace names {
namespace {

using Table = std::map<int32_t, const wchar_t*>;

struct Row {
    int32_t id;
    const wchar_t* name;
};

constexpr Row kPredefinedCommandRows[] = {
    {1, L"$cut"},          {2, L"$copy"},     {3, L"$paste"},         {4, L"$undo"}, {5, L"$all"},
    {6, L"$find"},         {7, L"$new"},      {8, L"$print"},         {9, L"$save"}, {10, L"$swapwindows"},
    {11, L"$closewindow"}, {12, L"$lockpc"},  {13, L"$openexplorer"}, {14, L"$run"}, {15, L"$showdesktop"},
    {16, L"$zoomin"},      {17, L"$zoomout"},
};

// Two functions share a name ($macro, $profile): a look-up by name finds the
// lower id, the higher one is reached only from a stored number.
constexpr Row kFunctionRows[] = {
    {0, L"$click"},
    {1, L"$menu"},
    {2, L"$universalscrolling"},
    {3, L"$Double-Click"},
    {4, L"$SingleKey"},
    {5, L"$macro"},
    {6, L"$macro"},
    {7, L"$buttonoff"},
    {8, L"$advanced"},
    {9, L"$on-the-flysensitivity"},
    {10, L"$button4"},
    {11, L"$button5"},
    {12, L"$SensitivityStageUp"},
    {13, L"$SensitivityStageDown"},
    {14, L"$SensitivityStages"},
    {15, L"$dpistage1"},
    {16, L"$dpistage2"},
    {17, L"$dpistage3"},
    {18, L"$dpistage4"},
    {19, L"$dpistage5"},
    {20, L"$profile"},
    {21, L"$profile"},
    {22, L"$profileup"},
    {23, L"$profiledown"},
    {24, L"$profile1"},
    {25, L"$profile2"},
    {26, L"$profile3"},
    {27, L"$profile4"},
    {28, L"$profile5"},
    {29, L"$play"},
    {30, L"$stop"},
    {31, L"$Backward"},
    {32, L"$Forward"},
    {33, L"$pause"},
    {34, L"$volumeup"},
    {35, L"$volumedown"},
    {36, L"$mute"},
    {37, L"$skipback"},
    {38, L"$skipforward"},
    {39, L"$scrollup"},
    {40, L"$scrolldown"},
    {41, L"$cut"},
    {42, L"$copy"},
    {43, L"$paste"},
    {44, L"$undo"},
    {45, L"$all"},
    {46, L"$find"},
    {47, L"$new"},
    {48, L"$print"},
    {49, L"$save"},
    {50, L"$swapwindows"},
    {51, L"$closewindow"},
    {52, L"$lockpc"},
    {53, L"$openexplorer"},
    {54, L"$run"},
    {55, L"$showdesktop"},
    {56, L"$zoomin"},
    {57, L"$zoomout"},
    {58, L"$dpisetting"},
    {59, L"$profilesetting"},
    {60, L"$selectfun"},
    {61, L"$launchprogram"},
};

constexpr Row kControlRows[] = {
    {0, L"BACKGROUND"},
    {1, L"MASK"},
    {2, L"NORMAL"},
    {3, L"OVER"},
    {4, L"DOWN"},
    {5, L"DISABLED"},
    {6, L"BUTTON_HELP"},
    {7, L"BUTTON_EXIT"},
    {8, L"BUTTON_OK"},
    {9, L"BUTTON_APPLY"},
    {10, L"BUTTON_CANCEL"},
    {12, L"BUTTON_ASSNLEFTCLICK"},
    {13, L"BUTTON_ASSNRIGHTCLICK"},
    {14, L"BUTTON_ASSNSCROLLBUTTON"},
    {15, L"BUTTON_ASSNSCROLLUP"},
    {16, L"BUTTON_ASSNSCROLLDOWN"},
    {17, L"BUTTON_ASSNRSIDEFRONT"},
    {18, L"BUTTON_ASSNRSIDEREAR"},
    {19, L"BUTTON_ASSNLSIDEFRONT"},
    {20, L"BUTTON_ASSNLSIDEREAR"},
    {21, L"BUTTON_ASSNCENTREFRONT"},
    {22, L"BUTTON_ASSNCENTREREAR"},
    {23, L"BUTTON_ASSNTHUMBGRID01"},
    {24, L"BUTTON_ASSNTHUMBGRID02"},
    {25, L"BUTTON_ASSNTHUMBGRID03"},
    {26, L"BUTTON_ASSNTHUMBGRID04"},
    {27, L"BUTTON_ASSNTHUMBGRID05"},
    {28, L"BUTTON_ASSNTHUMBGRID06"},
    {29, L"BUTTON_ASSNTHUMBGRID07"},
    {30, L"BUTTON_ASSNTHUMBGRID08"},
    {31, L"BUTTON_ASSNTHUMBGRID09"},
    {32, L"BUTTON_ASSNTHUMBGRID10"},
    {33, L"BUTTON_ASSNTHUMBGRID11"},
    {34, L"BUTTON_ASSNTHUMBGRID12"},
    {35, L"BUTTON_ASSNLEFTCLICKFRONT"},
    {36, L"BUTTON_ASSNLEFTCLICKREAR"},
    {37, L"BUTTON_SETTING"},
    {38, L"BUTTON_RATE1"},
    {39, L"BUTTON_RATE2"},
    {40, L"BUTTON_RATE3"},
    {41, L"BUTTON_DPI_STAGE1"},
    {42, L"BUTTON_DPI_STAGE2"},
    {43, L"BUTTON_DPI_STAGE3"},
    {44, L"BUTTON_DPI_STAGE4"},
    {45, L"BUTTON_DPI_STAGE5"},
    {46, L"BUTTON_DPI_UP"},
    {47, L"BUTTON_DPI_DOWN"},
    {48, L"BUTTON_WINDOWS4"},
    {49, L"BUTTON_WINDOWS5"},
    {50, L"BUTTON_PROFILE01"},
    {51, L"BUTTON_PROFILE02"},
    {52, L"BUTTON_PROFILE03"},
    {53, L"BUTTON_PROFILE04"},
    {54, L"BUTTON_PROFILE05"},
    {55, L"BUTTON_PROFILE_UP"},
    {56, L"BUTTON_PROFILE_DOWN"},
    {57, L"SCROLL_LEDON"},
    {58, L"SCROLL_LEDOFF"},
    {59, L"GLOW_LEDON"},
    {60, L"GLOW_LEDOFF"},
    {61, L"SNAKE_LEDON"},
    {62, L"SNAKE_LEDOFF"},
    {63, L"UPDATE"},
    {64, L"SHOW_SCREEN"},
    {65, L"AUTO_SWITCH"},
    {66, L"SCROLL_BUTTON_OFF"},
    {67, L"UNDER_GLOW_OFF"},
    {68, L"SNAKE_LOGO_OFF"},
    {69, L"BATTERY"},
    {70, L"DISPLAYGUI"},
    {71, L"BUTTON_PROFILE"},
    {72, L"BUTTON_SWAP_WINDOWS"},
    {73, L"BUTTON_CLOSE_WINDOWS"},
    {74, L"BUTTON_LOCK_PC"},
    {75, L"BUTTON_OPEN_EXPLORER"},
    {76, L"BUTTON_RUN"},
    {77, L"BUTTON_SHOW_DESKTOP"},
    {78, L"BUTTON_ZOOM_IN"},
    {79, L"BUTTON_ZOOM_OUT"},
    {80, L"BUTTON_EXPAND"},
    {81, L"BUTTON_ACCL"},
    {82, L"BUTTON_ENABLEXY"},
    {83, L"BUTTON_ENABLEXY_POPUP"},
    {84, L"BUTTON_ENABLEACCELERATION"},
    {85, L"BUTTON_CUT"},
    {86, L"BUTTON_COPY"},
    {87, L"BUTTON_PAST"},
    {88, L"BUTTON_UNDO"},
    {89, L"BUTTON_ALL"},
    {90, L"BUTTON_FIND"},
    {91, L"BUTTON_NEW"},
    {92, L"BUTTON_PRINT"},
    {93, L"BUTTON_SAVE"},
    {94, L"BUTTON_LOAD"},
    {95, L"BUTTON_RESET"},
    {96, L"BUTTON_UPDATE"},
    {97, L"BUTTON_CHECKBOX_AUTOSAVE"},
    {98, L"BUTTON_CLOSE"},
    {99, L"BUTTON_FLY"},
    {100, L"BUTTON_SINGLE"},
    {101, L"BUTTON_MACRO"},
    {102, L"BUTTON_SCROLL_UP"},
    {103, L"BUTTON_SCROLL_DOWN"},
    {104, L"BUTTON_BASIC"},
    {105, L"BUTTON_ADDITIONAL"},
    {106, L"BUTTON_MEDIA"},
    {107, L"BUTTON_DELAY"},
    {108, L"BUTTON_PLAY"},
    {109, L"BUTTON_STOP"},
    {110, L"BUTTON_PREVIOUS"},
    {111, L"BUTTON_NEXT"},
    {112, L"BUTTON_PAUSE"},
    {113, L"BUTTON_VOLUME_UP"},
    {114, L"BUTTON_VOLUME_DOWN"},
    {115, L"BUTTON_MUTE"},
    {116, L"BUTTON_SKIP_BACK"},
    {117, L"BUTTON_SKIP_FORWARD"},
    {118, L"BUTTON_CLICK"},
    {119, L"BUTTON_MENU"},
    {120, L"BUTTON_UNIVERSAL"},
    {121, L"BUTTON_DOUBLE"},
    {122, L"BUTTON_SELECT"},
    {123, L"BUTTON_ASSIGN"},
    {124, L"BUTTON_DPI_SETTING"},
    {125, L"BUTTON_SWITCH_PROFILE"},
    {126, L"BUTTON_BACK"},
    {127, L"BUTTON_FORWARD"},
    {128, L"BUTTON_OFA"},
    {129, L"BUTTON_OFF"},
    {130, L"BUTTON_SCROLL"},
    {131, L"BUTTON_OFAON"},
    {132, L"BUTTON_OFAON_FLAG"},
    {133, L"BUTTON_OFAOFF"},
    {134, L"BUTTON_OFAOFF_FLAG"},
    {135, L"BUTTON_OFASHOW"},
    {136, L"BUTTON_SHRINK"},
    {137, L"BUTTON_RESETPROFILE"},
    {138, L"BUTTON_NEWPROFILE"},
    {139, L"BUTTON_IMPORTPROFILE"},
    {140, L"BUTTON_EXPORTPROFILE"},
    {141, L"BUTTON_SAVEPROFILE"},
    {142, L"BUTTON_DELETEPROFILE"},
    {143, L"BUTTON_RESETCONFIG"},
    {144, L"BUTTON_LOADCONFIG"},
    {145, L"BUTTON_SAVECONFIG"},
    {146, L"BUTTON_AVI"},
    {147, L"BUTTON_APM_ADD_COLOR"},
    {148, L"BUTTON_APM_DEL_COLOR"},
    {149, L"BUTTON_APM_APY_COLOR"},
    {150, L"BUTTON_APM_CHOSEN_COLOR"},
    {151, L"BUTTON_POPUP_OK"},
    {152, L"BUTTON_POPUP_CANCEL"},
    {153, L"BUTTON_POPUP_APPLY"},
    {154, L"BUTTON_MACRO_CREATE"},
    {155, L"BUTTON_MACRO_SAVE"},
    {156, L"BUTTON_MACRO_EXPORT"},
    {157, L"BUTTON_MACRO_IMPORT"},
    {158, L"BUTTON_MACRO_DELETE"},
    {159, L"BUTTON_MACRO_RECORD"},
    {160, L"BUTTON_MACRO_ADVANCED"},
    {161, L"BUTTON_IGNORE_DELAY"},
    {162, L"BUTTON_INSERTDEFAULT_DELAY"},
    {163, L"BUTTON_SENSITIVITY_STAGES"},
    {164, L"BUTTON_ENABLE_PROFILE_OSD"},
    {165, L"BUTTON_ENABLE_DPI_OSD"},
    {166, L"BUTTON_KEYASSIGN_123NUM_123"},
    {167, L"BUTTON_KEYASSIGN_123NUM_NUM"},
    {168, L"BUTTON_DISABLE_KEYS"},
    {169, L"SLIDER_DPI_MULTI"},
    {170, L"SLIDER_DPI_MULTI_X"},
    {171, L"SLIDER_DPI_MULTI_Y"},
    {172, L"SLIDER_DPI_MULTI_POPUP"},
    {173, L"SLIDER_DPI_MULTI_X_POPUP"},
    {174, L"SLIDER_DPI_MULTI_Y_POPUP"},
    {175, L"SLIDER_DPI_MULTI_STAGE1_POPUP"},
    {176, L"SLIDER_DPI_MULTI_STAGE1_X_POPUP"},
    {177, L"SLIDER_DPI_MULTI_STAGE1_Y_POPUP"},
    {178, L"SLIDER_APM_MULTI"},
    {179, L"SLIDER_APM_MULTI_STAGE1"},
    {180, L"SLIDER_APM_MULTI_STAGE2"},
    {181, L"SLIDER_DPI_MULTI_STAGE1"},
    {182, L"SLIDER_DPI_MULTI_STAGE2"},
    {183, L"SLIDER_DPI_MULTI_STAGE3"},
    {184, L"SLIDER_DPI_MULTI_STAGE4"},
    {185, L"SLIDER_DPI_MULTI_STAGE5"},
    {186, L"SLIDER_DPI_MULTI_X_STAGE1"},
    {187, L"SLIDER_DPI_MULTI_X_STAGE2"},
    {188, L"SLIDER_DPI_MULTI_X_STAGE3"},
    {189, L"SLIDER_DPI_MULTI_X_STAGE4"},
    {190, L"SLIDER_DPI_MULTI_X_STAGE5"},
    {191, L"SLIDER_DPI_MULTI_Y_STAGE1"},
    {192, L"SLIDER_DPI_MULTI_Y_STAGE2"},
    {193, L"SLIDER_DPI_MULTI_Y_STAGE3"},
    {194, L"SLIDER_DPI_MULTI_Y_STAGE4"},
    {195, L"SLIDER_DPI_MULTI_Y_STAGE5"},
    {196, L"SLIDER_ID_SENSX"},
    {197, L"SLIDER_ID_SENSY"},
    {198, L"SLIDER_ID_SPEED"},
    {199, L"SLIDER_ID_ACCEL"},
    {200, L"SLIDER_ID_ACCELDISB"},
    {201, L"SLIDER_ACCEL_STAGE1"},
    {202, L"SLIDER_ACCEL_STAGE1DISB"},
    {203, L"SLIDER_SENSITIVITY"},
    {204, L"SLIDER_SCROLL"},
    {205, L"SLIDER_DOUBLECLICK"},
    {206, L"MACRO_DISPLAY"},
    {207, L"MACRO_DISPLAY_READONLY"},
    {208, L"BUTTON_ASSIGNBUTTONS"},
    {209, L"BUTTON_ADJUSTPERFORMANCE"},
    {210, L"BUTTON_MANAGEPROFILES"},
    {211, L"BUTTON_MANAGEMACROS"},
    {212, L"BUTTON_LIGHTINGMAINTENANCE"},
    {213, L"BUTTON_ADDONS"},
    {214, L"INDICATOR_WIRED"},
    {215, L"INDICATOR_WIRELESS"},
    {216, L"BITMAP_SOLVAN"},
    {217, L"BITMAP_TARNVIEWPLAN"},
    {218, L"BITMAP_TARNVIEWSIDE"},
    {219, L"BITMAP_BUTTONNUMSTRIP"},
    {220, L"BITMAP_BUTTONNUMSTRIP12"},
    {221, L"BITMAP_VERTICALBARVIEWS"},
    {222, L"BITMAP_HORIZONTALBARLONG"},
    {223, L"BITMAP_VERTICALBARLONG"},
    {224, L"TEXT_PROFILEINFO"},
    {225, L"TEXT_PROFILENAME"},
    {226, L"FONT_ARIALNARROW12"},
    {227, L"FONT_ARIALNARROW14"},
    {228, L"FONT_ARIAL10"},
    {229, L"FONT_ARIAL12"},
    {230, L"FONT_ARIAL12B"},
    {231, L"FONT_ARIAL14B"},
    {232, L"FONT_ARIAL14"},
    {233, L"FONT_ARIAL16B"},
    {234, L"FONT_ARIAL16"},
    {235, L"FONT_ARIAL18"},
    {236, L"FONT_ARIAL18B"},
    {237, L"FONT_ARIAL12_BUTTON"},
    {238, L"FONT_ARIAL14_BUTTON"},
    {239, L"FONT_DINREGULAR12"},
    {240, L"FONT_KORVOLIGHT14B"},
    {241, L"FONT_KORVOREG13"},
    {242, L"FONT_KORVOREG15B"},
    {243, L"FONT_KORVOREG18"},
    {244, L"FONT_KORVOREG36B"},
    {245, L"BITMAP_SLSENSTRK_X"},
    {246, L"BITMAP_SLSENSTRK_Y"},
    {247, L"BITMAP_SLSENSTRK_XY"},
    {248, L"BITMAP_SLSENSTRK_X_POPUP"},
    {249, L"BITMAP_SLSENSTRK_Y_POPUP"},
    {250, L"BITMAP_SLSENSTRK_XY_POPUP"},
    {251, L"BITMAP_SLACCLTRK"},
    {252, L"BITMAP_SLACCLTRKDISB"},
    {253, L"BITMAP_APM_SLIDER"},
    {254, L"BITMAP_APM_CHOSEN_COLOR"},
    {255, L"BITMAP_APM_BACKGROUND"},
    {256, L"BITMAP_APM_LOWER_LIMIT"},
    {257, L"BITMAP_APM_UPPER_LIMIT"},
    {258, L"BITMAP_ASSNBTNNUM"},
    {259, L"TEXT_ASSIGNBUTTONS"},
    {260, L"TEXT_CURRENTDPI"},
    {261, L"TEXT_DPI1"},
    {262, L"TEXT_DPI2"},
    {263, L"TEXT_DPIVALUE1"},
    {264, L"TEXT_DPIVALUE2"},
    {265, L"TEXT_HEADING_X"},
    {266, L"TEXT_HEADING_Y"},
    {267, L"TEXT_ENABLEXY"},
    {268, L"TEXT_ENABLEXY_POPUP"},
    {269, L"TEXT_ENABLEOTFS"},
    {270, L"TEXT_ENABLEACCELERATION"},
    {271, L"TEXT_ACCELERATION"},
    {272, L"TEXT_APPLIESTOALL"},
    {273, L"TEXT_POLLINGRATE"},
    {274, L"TEXT_POLLINGRATEMSG"},
    {275, L"TEXT_LIGHTINGHEADING"},
    {276, L"TEXT_MAINTENANCEHEADING"},
    {277, L"TEXT_SCROLLWHEEL"},
    {278, L"TEXT_LOGO"},
    {279, L"TEXT_FIRMWAREVER"},
    {280, L"TEXT_DRIVERVER"},
    {281, L"TEXT_ADDONHEADING"},
    {282, L"TEXT_ADDONPARA1"},
    {283, L"TEXT_ADDONPARA2"},
    {284, L"TEXT_WARNDLG_HEADING"},
    {285, L"TEXT_WARNDLG_MESSAGE"},
    {286, L"TEXT_NODELETE_MESSAGE"},
    {287, L"TEXT_APM_LOWER_LIMIT_DESC"},
    {288, L"TEXT_APM_UPPER_LIMIT_DESC"},
    {289, L"TEXT_APM_LOWER_LIMIT_VALUE"},
    {290, L"TEXT_APM_UPPER_LIMIT_VALUE"},
    {291, L"TEXT_CURRENTKEY"},
    {292, L"TEXT_INSERT_BASIC_COMMAND"},
    {293, L"TEXT_INSERT_ADDITIONAL_COMMAND"},
    {294, L"TEXT_MACRO_NAME"},
    {295, L"TEXT_CURRENTMACROASSIGNMENT"},
    {296, L"TEXT_MACROEVENTS"},
    {297, L"TEXT_MACROLIST_HEADING"},
    {298, L"TEXT_IGNORE_DELAY"},
    {299, L"TEXT_INSERTDEFAULT_DELAY"},
    {300, L"TEXT_INSERTDEFAULT_DELAY_MS"},
    {301, L"TEXT_ASSIGNBUTTONS_HEADING"},
    {302, L"TEXT_MOUSEWHEEL_OPTIONS_HEADING"},
    {303, L"TEXT_THUMBGRIDVIEW_HEADING"},
    {304, L"TEXT_THUMBGRIDVIEW_BUTTON"},
    {305, L"TEXT_TOPVIEW_BUTTON"},
    {306, L"TEXT_TOPVIEW_HEADING"},
    {307, L"TEXT_SENSITIVITYSTAGE_HEADING"},
    {308, L"TEXT_NUMSTAGES_LABEL"},
    {309, L"TEXT_ENABLE_PROFILE_OSD"},
    {310, L"TEXT_ENABLE_DPI_OSD"},
    {311, L"TEXT_INFO_PROFILE_OPTIONS"},
    {312, L"BUTTON_CHECKADDONS"},
    {313, L"BITMAP_SENSWINDOW1"},
    {314, L"BITMAP_SENSWINDOW2"},
    {315, L"BITMAP_KORVOLOGO"},
    {316, L"BUTTON_SENSSTAGES"},
    {317, L"BITMAP_PROFILEWINDOW"},
    {318, L"LANGUAGE_DEFAULT"},
    {319, L"LANGUAGE_CHINESE_SIMPLIFIED"},
    {320, L"LANGUAGE_CHINESE_TRADITIONAL"},
    {321, L"LANGUAGE_FRENCH"},
    {322, L"LANGUAGE_FRENCHCANADIAN"},
    {323, L"LANGUAGE_GERMAN"},
    {324, L"LANGUAGE_KOREAN"},
    {325, L"LANGUAGE_RUSSIAN"},
    {326, L"LANGUAGE_JAPANESE"},
    {328, L"BITMAPWIN_ASSIGNKEY"},
    {329, L"LIST_PROFILELIST"},
    {330, L"LIST_GLOBALMACROLIST"},
    {331, L"LIST_GLOBAL_BASIC_COMMANDS"},
    {332, L"LIST_GLOBAL_ADDITIONAL_COMMANDS"},
    {333, L"EDITCTRL_POPUP_NAMEENTRY"},
    {334, L"EDITCTRL_POPUP_SINGLEKEYENTRY"},
    {335, L"EDITCTRL_DEFAULT_DELAY"},
    {336, L"DPISTAGEWINDOW_01"},
    {337, L"DPISTAGEWINDOW_02"},
    {338, L"DPISTAGEWINDOW_03"},
    {339, L"DPISTAGEWINDOW_04"},
    {340, L"DPISTAGEWINDOW_05"},
    {341, L"BITMAP_STAGECOUNT_DISPLAY"},
    {342, L"BUTTON_DPISTAGES_DEC"},
    {343, L"BUTTON_DPISTAGES_INC"},
    {344, L"BUTTON_DPISTAGES_OK"},
    {346, L"BUTTON_DPISTAGES_CANCEL"},
    {347, L"TEXT_NUMSTAGES"},
    {348, L"TEXT_PREVIEW_01"},
    {349, L"TEXT_PREVIEW_02"},
    {350, L"TEXT_PREVIEW_03"},
    {351, L"TEXT_PREVIEW_04"},
    {352, L"TEXT_PREVIEW_05"},
    {353, L"TEXT_PREVIEW_06"},
    {354, L"TEXT_PREVIEW_07"},
    {355, L"TEXT_PREVIEW_08"},
    {356, L"TEXT_PREVIEW_09"},
    {357, L"TEXT_PREVIEW_10"},
    {358, L"TEXT_PREVIEW_11"},
    {359, L"TEXT_PREVIEW_12"},
    {360, L"BUTTON_POPUP_PREVIEW_OK"},
    {361, L"LISTPANEL_PROFILEOPTIONS"},
    {362, L"LISTPANEL_MACROOPTIONS"},
    {363, L"LISTPANEL_MACROOPTIONS2"},
    {364, L"LISTPANEL_ASSIGNSUBMENU_PR"},
    {365, L"LISTPANEL_ASSIGNSUBMENU_MA"},
    {366, L"LISTPANEL_ASSIGNSUBMENU_DPI"},
    {367, L"BUTTON_ADD_BASIC_MACRO_CMDS"},
    {368, L"BUTTON_ADD_ADV_MACRO_CMDS"},
};

// Short names for keys the system cannot name.
constexpr Row kKeyRows[] = {
    {8, L"BkSp"},      {9, L"Tab"},     {12, L"Clr"},    {13, L"Ret"},   {16, L"Shft"},  {17, L"Ctrl"},
    {18, L"Alt"},      {19, L"Pause"},  {20, L"CpLk"},   {27, L"Esc"},   {32, L"Spc"},   {33, L"PgUp"},
    {34, L"PgDn"},     {35, L"End"},    {36, L"Home"},   {37, L"Lft"},   {38, L"Up"},    {39, L"Rht"},
    {40, L"Dn"},       {41, L"Select"}, {42, L"Prnt"},   {43, L"Exe"},   {44, L"Print"}, {45, L"Ins"},
    {46, L"Del"},      {47, L"Hlp"},    {91, L"LWin"},   {92, L"RWin"},  {93, L"Apps"},  {96, L"Num0"},
    {97, L"Num1"},     {98, L"Num2"},   {99, L"Num3"},   {100, L"Num4"}, {101, L"Num5"}, {102, L"Num6"},
    {103, L"Num7"},    {104, L"Num8"},  {105, L"Num9"},  {106, L"Num*"}, {107, L"Num+"}, {108, L"NumRet"},
    {109, L"Num-"},    {110, L"Num."},  {111, L"Num/"},  {112, L"F1"},   {113, L"F2"},   {114, L"F3"},
    {115, L"F4"},      {116, L"F5"},    {117, L"F6"},    {118, L"F7"},   {119, L"F8"},   {120, L"F9"},
    {121, L"F10"},     {122, L"F11"},   {123, L"F12"},   {144, L"Numl"}, {145, L"Scrl"}, {160, L"LShft"},
    {161, L"RShft"},   {162, L"LCtrl"}, {163, L"RCtrl"}, {164, L"LAlt"}, {165, L"RAlt"}, {166, L"Backward"},
    {167, L"Forward"},
};

// Colour references are 0x00BBGGRR.
constexpr Row kColourRows[] = {
    {0x0000FF, L"RED"},      {0x00FF00, L"GREEN"},   {0x067401, L"GREEN2"}, {0x094701, L"GREEN3"},
    {0xFF0000, L"BLUE"},     {0x000000, L"BLACK"},   {0x0B0B0B, L"BLACK2"}, {0xFFFFFF, L"WHITE"},
    {0x3A3A3A, L"DARKGREY"}, {0x5F5F5F, L"MIDGREY"},
};

// Same numbers as the LANGUAGE_ control names.
constexpr Row kLanguageRows[] = {
    {318, L"English"}, {319, L"ChineseSimplified"}, {320, L"ChineseTraditional"},
    {321, L"French"},  {322, L"FrenchCanadian"},    {323, L"German"},
    {324, L"Korean"},  {325, L"Russian"},           {326, L"Japanese"},
};

constexpr Row kListColumnItemRows[] = {
    {0, L"LCITEM_PROFILEID"},  {1, L"LCITEM_PROFILENAME"},   {2, L"LCITEM_PROFILEEXE"},
    {3, L"LCITEM_AUTOSWITCH"}, {4, L"LCITEM_MCREVENT_ICON"}, {5, L"LCITEM_MCREVENT_DESCRIP"},
};

constexpr Row kListColumnTypeRows[] = {
    {0, L"ICON"}, {1, L"STATIC"}, {2, L"EDIT"}, {3, L"COMBO"}, {4, L"CHECKBOX"}, {5, L"FILEDIALOG"},
};

constexpr Row kEventColumnTypeRows[] = {
    {0, L"ICON"},
    {1, L"STATIC"},
};

struct Tables {
    Table predefinedCommands;
    Table functions;
    Table controls;
    Table keys;
    Table colours;
    Table languages;
    Table listColumnItems;
    Table listColumnTypes;
    Table eventColumnTypes;
};

// Empty until BuildAllNameTables runs, so early look-ups find nothing
// instead of touching uninitialised data.
Tables& AllTables() {
    static Tables tables;
    return tables;
}

template <size_t N>
void Fill(Table& table, const Row (&rows)[N]) {
    table.clear();
    for (const Row& row : rows)
        table.emplace(row.id, row.name);
}

bool SameIgnoringCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

int32_t IdOf(const Table& table, const wchar_t* name) {
    if (name == nullptr)
        return -1;
    for (const auto& [id, rowName] : table) {
        if (SameIgnoringCase(rowName, name))
            return id;
    }
    return -1;
}

const wchar_t* NameOf(const Table& table, int32_t id) {
    auto it = table.find(id);
    return it == table.end() || it->second == nullptr ? L"" : it->second;
}

}  // namespace

void BuildAllNameTables() {
    Tables& t = AllTables();
    Fill(t.predefinedCommands, kPredefinedCommandRows);
    Fill(t.functions, kFunctionRows);
    Fill(t.controls, kControlRows);
    Fill(t.keys, kKeyRows);
    Fill(t.colours, kColourRows);
    Fill(t.languages, kLanguageRows);
    Fill(t.listColumnItems, kListColumnItemRows);
    Fill(t.listColumnTypes, kListColumnTypeRows);
    Fill(t.eventColumnTypes, kEventColumnTypeRows);
}

int32_t ControlId(const wchar_t* name) {
    return IdOf(AllTables().controls, name);
}
int32_t FunctionId(const wchar_t* name) {
    return IdOf(AllTables().functions, name);
}
int32_t PredefinedCommandId(const wchar_t* name) {
    return IdOf(AllTables().predefinedCommands, name);
}
int32_t ColourValue(const wchar_t* name) {
    return IdOf(AllTables().colours, name);
}
int32_t LanguageId(const wchar_t* name) {
    return IdOf(AllTables().languages, name);
}
int32_t ListColumnItemId(const wchar_t* name) {
    return IdOf(AllTables().listColumnItems, name);
}
int32_t ListColumnTypeId(const wchar_t* name) {
    return IdOf(AllTables().listColumnTypes, name);
}
int32_t EventColumnTypeId(const wchar_t* name) {
    return IdOf(AllTables().eventColumnTypes, name);
}

const wchar_t* FunctionName(int32_t id) {
    return NameOf(AllTables().functions, id);
}
const wchar_t* PredefinedCommandName(int32_t id) {
    return NameOf(AllTables().predefinedCommands, id);
}
const wchar_t* KeyName(int32_t virtualKey) {
    return NameOf(AllTables().keys, virtualKey);
}
const wchar_t* ControlName(int32_t id) {
    return NameOf(AllTables().controls, id);
}
const wchar_t* LanguageName(int32_t id) {
    return NameOf(AllTables().languages, id);
}

void KeyDisplayName(uint16_t virtualKey, uint16_t scanCode, bool extended, std::wstring& out) {
    out.clear();

    // Bit 24 tells the system the key is extended; Num Lock always needs it.
    LONG param = static_cast<LONG>(static_cast<uint32_t>(scanCode) << 16);
    if (extended || virtualKey == VK_NUMLOCK)
        param |= 1L << 24;
    wchar_t systemName[20] = {};
    int length = GetKeyNameTextW(param, systemName, static_cast<int>(std::size(systemName)));
    // Some systems answer 1 with an empty text for a key they cannot name.
    size_t named = length > 0 ? wcsnlen(systemName, std::size(systemName)) : 0;
    if (named > 0) {
        out.assign(systemName, named);
        return;
    }

    const wchar_t* shortName = KeyName(virtualKey);
    if (*shortName != L'\0') {
        out = shortName;
        return;
    }

    // The character the key types with no modifier held. Flag 4 keeps a dead
    // key from lingering in the thread's keyboard state and spoiling the
    // user's next key press.
    BYTE keyState[256] = {};
    wchar_t typed[2] = {};
    int count = ToUnicode(virtualKey, scanCode, keyState, typed, 2, 4);
    if (count == 0 || typed[0] < L' ')
        return;  // nothing printable: no name
    // The whole UTF-16 unit, not just its low byte, so non-Latin layouts show
    // their own letters.
    wchar_t upper[2] = {typed[0], L'\0'};
    CharUpperBuffW(upper, 1);
    out.assign(1, upper[0]);
}

}  // namespace names
