#include "app/App.h"

#include "app/Startup.h"
#include "app/VellAppDlg.h"
#include "controls/ItemFactories.h"
#include "macro/MacroDisplayItem.h"
#include "controls/ListPanelLimits.h"
#include "device/Mouse.h"
#include "macro/Macro.h"
#include "model/VellConfig.h"
#include "popups/ListPanel.h"
#include "skin/LangTable.h"
#include "skin/NameTables.h"
#include "skin/ResourceCache.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"
#include "xml/XmlDocument.h"

CVellAppApp::CVellAppApp(HINSTANCE instance) : m_instance(instance) {}

CVellAppApp::~CVellAppApp() {
    // The register only refers to the tables; they go with the application.
    lang::ClearRegister();
}

bool CVellAppApp::InitInstance() {
    // Refusal: a second copy brings the first forward and ends.
    if (!startup::RegisterMainWindowClass(m_instance))
        return false;
    if (startup::CheckSingleInstance() != startup::InstanceCheck::First)
        return false;

    // Preparation.
    // (The common controls are loaded when the first list or tool tip is
    // made: win::EnsureCommonControls.)
    win::ComApartment com;

    SetCurrentDirectoryW(app::ModuleDirectory().c_str());

    m_config = std::make_unique<CVellConfig>();
    // Fill the configuration from the mouse; whether one is there is the main
    // window's concern.
    m_device = std::make_unique<CMouse>();
    m_device->Initialize(m_config.get(), &startup::kProductId);
    m_config->AttachDevice(m_device.get());
    names::BuildAllNameTables();
    controls::RegisterItemFactories();  // before the first skin is loaded
    macro::RegisterItemFactories();
    popups::InstallListPanel();         // what drop-downs and menus open
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
    // Every LANG of "Language.xml" becomes a registered language table;
    // without the file no language is registered and none becomes current.
    XmlDocument languages;
    if (languages.Load(app::ModuleDirectory() + L"xml\\Language.xml")) {
        if (const XmlElement* list = languages.FindFirst(L"LANGLIST")) {
            for (const XmlElement* element : list->FindAll(L"LANG")) {
                if (std::unique_ptr<CLangTable> table = ReadLangElement(*element, nullptr))
                    m_languageItems.push_back(std::move(table));
            }
        }
    }
    startup::InstallSettings settings =
        startup::ReadInstallSettings(HKEY_LOCAL_MACHINE, startup::kRegistryKey);
    if (settings.keyAvailable) {
        if (!settings.installDir.empty())
            SetCurrentDirectoryW(settings.installDir.c_str());  // a refused path leaves it unchanged
        startup::StartTrayCompanion();
    }
    lang::SelectCurrent(settings.languageId);
}

INT_PTR CVellAppApp::RunMainWindow() {
    CVellAppDlg dialog(m_config.get(), m_device.get());
    return dialog.DoModal();
}
