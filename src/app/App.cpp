#include "app/App.h"

#include <commctrl.h>

#include "app/MainWindowPlaceholder.h"
#include "app/Startup.h"
#include "controls/ListPanelLimits.h"
#include "device/MouseDevice.h"
#include "macro/Macro.h"
#include "model/VellConfig.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"

CVellAppApp::CVellAppApp(HINSTANCE instance) : m_instance(instance) {}

CVellAppApp::~CVellAppApp() {
    // The language records are process-wide; they go with the application.
    CLangTable::Instance().Clear();
}

bool CVellAppApp::InitInstance() {
    // Refusal: a second copy brings the first forward and ends.
    if (!startup::RegisterMainWindowClass(m_instance))
        return false;
    if (startup::CheckSingleInstance() != startup::InstanceCheck::First)
        return false;

    // Preparation.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    win::ComApartment com;

    SetCurrentDirectoryW(app::ModuleDirectory().c_str());

    m_config = std::make_unique<CVellConfig>();
    // The device link joins here once it exists; the main window checks for
    // a mouse itself.
    names::BuildAllNameTables();
    CPredefinedMacroList::Instance().Build();

    PrepareLanguageAndInstallation();
    listpanel::Limits() = listpanel::RowLimits{5, 5};

    RunMainWindow();

    // Tear-down: the device link goes before the configuration it points at.
    m_device.reset();
    m_config.reset();
    // Pictures, bitmaps and private fonts loaded for the skins go last.
    CResourceCache::Instance().ReleaseAll();
    return false;
}

void CVellAppApp::PrepareLanguageAndInstallation() {
    // "Language.xml" is read by the language loader into the language table;
    // without it no language is registered and none becomes current.
    startup::InstallSettings settings =
        startup::ReadInstallSettings(HKEY_LOCAL_MACHINE, startup::kRegistryKey);
    if (settings.keyAvailable) {
        if (!settings.installDir.empty())
            SetCurrentDirectoryW(settings.installDir.c_str());  // a refused path leaves it unchanged
        startup::StartTrayCompanion();
    }
    CLangTable::Instance().SelectCurrent(settings.languageId);
}

INT_PTR CVellAppApp::RunMainWindow() {
    return app::RunMainWindowPlaceholder(m_instance);
}
