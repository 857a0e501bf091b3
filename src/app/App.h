// The application object: refuses a second copy, prepares the model and the
// language data, runs the main window modally and tears everything down.
#pragma once

#include <windows.h>

#include <memory>

#include "skin/GUIItem.h"

class CVellConfig;
class IMouseDevice;

class CVellAppApp {
public:
    explicit CVellAppApp(HINSTANCE instance);
    CVellAppApp(const CVellAppApp&) = delete;
    CVellAppApp& operator=(const CVellAppApp&) = delete;
    ~CVellAppApp();

    // Does the whole life of the program; always false, so no message loop of
    // the application's own follows.
    bool InitInstance();

    CVellConfig* Config() const { return m_config.get(); }
    IMouseDevice* Device() const { return m_device.get(); }

private:
    void PrepareLanguageAndInstallation();
    INT_PTR RunMainWindow();

    HINSTANCE m_instance;
    std::unique_ptr<IMouseDevice> m_device;  // destroyed before the configuration it points at
    std::unique_ptr<CVellConfig> m_config;
    ItemList m_languageItems;  // the language tables read from "Language.xml"
};
