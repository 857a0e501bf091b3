// The pages whose controls come with their own work: performance and
// lighting (the sliders, stage tiles and lights). The main window already
// routes their buttons and notifications to them; each fills its routes and
// notifications as its controls arrive.
#pragma once

#include "app/pages/Page.h"

class CPerformancePage : public CPage {
public:
    using CPage::CPage;
    uint32_t Flags() const override { return kPagePerformance | kPageLighting; }
    void Bind() override {}
};
