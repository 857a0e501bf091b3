// The pages whose controls come with their own work: performance and
// lighting (the sliders, stage tiles and lights) and manage macros (the
// recorder and the macro display). The main window already routes their
// buttons and notifications to them; each fills its routes and
// notifications as its controls arrive.
#pragma once

#include "app/pages/Page.h"

class CPerformancePage : public CPage {
public:
    using CPage::CPage;
    uint32_t Flags() const override { return kPagePerformance | kPageLighting; }
    void Bind() override {}
};

class CMacrosPage : public CPage {
public:
    using CPage::CPage;
    uint32_t Flags() const override { return kPageMacros; }
    void Bind() override {}
    // While a macro is recorded, the main window takes no command but the
    // record button's and no Enter, Escape, F1, OK or Cancel.
    bool IsRecording() const { return m_recording; }

protected:
    bool m_recording = false;
};
