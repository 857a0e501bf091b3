#include "win/RawInput.h"

#include <algorithm>
#include <new>

namespace win {

void RawInputRegistration::AddUsage(uint16_t usage) {
    if (std::find(m_usages.begin(), m_usages.end(), usage) == m_usages.end())
        m_usages.push_back(usage);
}

bool RawInputRegistration::Register(HWND target) {
    if (m_registered || target == nullptr || m_usages.empty())
        return false;
    m_records.clear();
    for (uint16_t usage : m_usages) {
        RAWINPUTDEVICE record = {};
        record.usUsagePage = kUsagePage;
        record.usUsage = usage;
        record.dwFlags = usage == kKeyboard ? kKeyboardFlags : kMouseFlags;
        record.hwndTarget = target;
        m_records.push_back(record);
    }
    m_registered = RegisterRawInputDevices(m_records.data(), static_cast<UINT>(m_records.size()),
                                           sizeof(RAWINPUTDEVICE)) != FALSE;
    if (m_registered)
        m_target = target;
    else
        m_records.clear();
    return m_registered;
}

void RawInputRegistration::Unregister() {
    if (m_registered && !m_records.empty()) {
        for (RAWINPUTDEVICE& record : m_records) {
            record.dwFlags = RIDEV_REMOVE;
            record.hwndTarget = nullptr;
        }
        RegisterRawInputDevices(m_records.data(), static_cast<UINT>(m_records.size()),
                                sizeof(RAWINPUTDEVICE));
    }
    m_records.clear();
    m_usages.clear();
    m_target = nullptr;
    m_registered = false;
}

RawInputRegistration& ProgramRawInput() {
    static RawInputRegistration registration;
    return registration;
}

bool ReadRawInput(LPARAM input, std::vector<BYTE>& buffer) {
    HRAWINPUT handle = reinterpret_cast<HRAWINPUT>(input);
    UINT size = 0;
    if (GetRawInputData(handle, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0 ||
        size < sizeof(RAWINPUTHEADER))
        return false;
    try {
        buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
        buffer.clear();
        return false;
    }
    UINT read = GetRawInputData(handle, RID_INPUT, buffer.data(), &size, sizeof(RAWINPUTHEADER));
    if (read == static_cast<UINT>(-1) || read < sizeof(RAWINPUTHEADER)) {
        buffer.clear();
        return false;
    }
    buffer.resize(read);
    return true;
}

}  // namespace win
