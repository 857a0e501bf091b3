#include "tray/MouseWatcher.h"

#include <objbase.h>

#include <utility>

namespace tray {

bool SameGlance(const devlink::MouseGlance& a, const devlink::MouseGlance& b) {
    if (a.revision != b.revision || a.active != b.active || a.stage != b.stage || a.stageCount != b.stageCount ||
        a.sensitivity != b.sensitivity || a.changeSignal != b.changeSignal || a.profiles.size() != b.profiles.size())
        return false;
    for (size_t i = 0; i < a.profiles.size(); ++i) {
        const devlink::ProfileGlance& p = a.profiles[i];
        const devlink::ProfileGlance& q = b.profiles[i];
        if (p.id != q.id || p.name != q.name || p.programPath != q.programPath || p.autoSwitch != q.autoSwitch ||
            p.dpiDisplay != q.dpiDisplay || p.profileDisplay != q.profileDisplay)
            return false;
    }
    return true;
}

MouseWatcher::MouseWatcher(uint32_t product, HWND notify, UINT message)
    : m_product(product), m_notify(notify), m_message(message) {}

MouseWatcher::~MouseWatcher() {
    Stop();
}

bool MouseWatcher::Start() {
    if (m_thread)
        return true;
    m_wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_wake)
        return false;
    m_thread.reset(CreateThread(nullptr, 0, Main, this, 0, nullptr));
    return static_cast<bool>(m_thread);
}

void MouseWatcher::Stop() {
    if (!m_thread)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    SetEvent(m_wake.get());
    // A call into the service ends within its own time limits (a held lock
    // answers busy after about 2 s).
    WaitForSingleObject(m_thread.get(), 10000);
    m_thread.reset();
}

uint64_t MouseWatcher::Activate(const GUID& profile) {
    uint64_t number = 0;
    {
        std::lock_guard lock(m_mutex);
        m_hasActivation = true;
        m_activation = profile;
        m_failedTries = 0;
        number = ++m_activationNumber;
    }
    SetEvent(m_wake.get());
    return number;
}

void MouseWatcher::Refresh() {
    {
        std::lock_guard lock(m_mutex);
        m_refresh = true;
    }
    SetEvent(m_wake.get());
}

bool MouseWatcher::Take(Report& out) {
    std::lock_guard lock(m_mutex);
    if (!m_hasReport)
        return false;
    out = m_report;
    m_hasReport = false;
    return true;
}

uint64_t MouseWatcher::Reads() const {
    std::lock_guard lock(m_mutex);
    return m_reads;
}

DWORD WINAPI MouseWatcher::Main(void* self) noexcept {
    // No windows on this thread: the multithreaded apartment, as the device
    // link's own worker.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        static_cast<MouseWatcher*>(self)->Run();
    } catch (...) {
        // Out of memory: the companion shows the last state it knew.
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void MouseWatcher::Publish(Report report) {
    {
        std::lock_guard lock(m_mutex);
        m_report = std::move(report);
        m_hasReport = true;
    }
    PostMessageW(m_notify, m_message, 0, 0);
}

void MouseWatcher::Run() {
    win::UniqueHandle signal;  // the service's change event, once it names one
    std::wstring signalName;
    Report last;
    bool published = false;
    DWORD timeout = 0;  // the first read at once
    for (;;) {
        HANDLE handles[2] = {m_wake.get(), signal.get()};
        const DWORD count = signal ? 2 : 1;
        const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, timeout);
        bool hasActivation = false;
        GUID activation = {};
        uint64_t number = 0;
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            m_refresh = false;
            hasActivation = m_hasActivation;
            activation = m_activation;
            number = m_activationNumber;
        }
        Report report;
        report.handled = m_lastNumber;
        if (hasActivation) {
            const devlink::Outcome made = devlink::ActivateProfile(m_product, activation);
            std::lock_guard lock(m_mutex);
            if (made == devlink::Outcome::kDone || made == devlink::Outcome::kNotFound) {
                m_lastNumber = number;
                if (m_activationNumber == number)
                    m_hasActivation = false;  // a newer one waits otherwise
            } else if (++m_failedTries >= kActivationTries) {
                // Given up: a change tried much later could undo what the
                // user chose meanwhile.
                m_lastNumber = number;
                m_failedTries = 0;
                if (m_activationNumber == number)
                    m_hasActivation = false;
                report.activationFailed = true;
            } else {
                report.activationFailed = true;
            }
            if (!report.activationFailed)
                m_failedTries = 0;
            report.handled = m_lastNumber;
        }
        report.outcome = devlink::ReadGlance(m_product, report.glance);
        {
            std::lock_guard lock(m_mutex);
            ++m_reads;
        }
        if (report.outcome == devlink::Outcome::kDone && report.glance.changeSignal != signalName) {
            signalName = report.glance.changeSignal;
            // Opened, or made when no process of the service holds it now:
            // the service opens the same event by its name.
            signal.reset(signalName.empty() ? nullptr : CreateEventW(nullptr, FALSE, FALSE, signalName.c_str()));
        }
        const bool changed = !published || report.outcome != last.outcome || report.handled != last.handled ||
                             report.activationFailed != last.activationFailed ||
                             (report.outcome == devlink::Outcome::kDone && !SameGlance(report.glance, last.glance));
        // A wake by a request or a signal is always answered: the window may
        // wait for it.
        if (changed || woke == WAIT_OBJECT_0 || woke == WAIT_OBJECT_0 + 1) {
            last = report;
            published = true;
            Publish(std::move(report));
        }
        bool retry = false;
        {
            std::lock_guard lock(m_mutex);
            retry = m_hasActivation;
        }
        const bool healthy = last.outcome == devlink::Outcome::kDone && signal && !retry;
        timeout = healthy ? kHealthCheckMs : kPollMs;
    }
}

}  // namespace tray
