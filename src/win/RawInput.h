// Raw input: the program's one registration with the system (which usages of
// the generic desktop page are delivered as WM_INPUT, and to which window),
// and reading one WM_INPUT block.
//
// The system keeps a single registration per usage for the whole process, so
// the program keeps a single registration object too: the single-key field
// and the macro recorder take turns with it, and a second Register while one
// is active is refused rather than silently stealing the other's input.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace win {

class RawInputRegistration {
public:
    static constexpr uint16_t kUsagePage = 1;  // generic desktop controls
    static constexpr uint16_t kMouse = 2;
    static constexpr uint16_t kKeyboard = 6;

    // Delivered even when the target is not in front; the keyboard's also
    // without the legacy key messages.
    static constexpr DWORD kMouseFlags = RIDEV_INPUTSINK;
    static constexpr DWORD kKeyboardFlags = RIDEV_INPUTSINK | RIDEV_NOLEGACY;

    RawInputRegistration() = default;
    RawInputRegistration(const RawInputRegistration&) = delete;
    RawInputRegistration& operator=(const RawInputRegistration&) = delete;

    // Adds a usage to the list (kept in order, without duplicates). Takes
    // effect with the next Register.
    void AddUsage(uint16_t usage);
    const std::vector<uint16_t>& Usages() const { return m_usages; }

    // One record per listed usage, in list order, delivered to `target`.
    // Refused (false) when already registered, without a target or without
    // usages; otherwise what the system answers.
    bool Register(HWND target);
    // Removes every listed usage from the system, then empties the list.
    // Harmless when nothing is registered.
    void Unregister();

    bool IsRegistered() const { return m_registered; }
    HWND Target() const { return m_target; }
    // The records handed to the system while registered; empty otherwise.
    const std::vector<RAWINPUTDEVICE>& Records() const { return m_records; }

private:
    std::vector<uint16_t> m_usages;
    std::vector<RAWINPUTDEVICE> m_records;
    HWND m_target = nullptr;
    bool m_registered = false;
};

// The program's registration (user-interface thread only).
RawInputRegistration& ProgramRawInput();

// Reads the block behind a WM_INPUT's lParam into `buffer`. False, with
// nothing read, when its size cannot be asked, is 0 or cannot be allocated.
bool ReadRawInput(LPARAM input, std::vector<BYTE>& buffer);

}  // namespace win
