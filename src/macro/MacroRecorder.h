// The macro recorder's bookkeeping, apart from any window: turns decoded raw
// keyboard and mouse records into macro events with the delays between them.
// The display item (MacroDisplayItem.h) owns one, feeds it from WM_INPUT and
// shows what it appends.
//
// The clock is injectable so that delays can be tested without waiting; the
// program's clock is the tick counter.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>

#include "macro/Macro.h"

namespace macro {

// Milliseconds, wrapping at 2^32 like GetTickCount.
using TickClock = std::function<uint32_t()>;

class CMacroRecorder {
public:
    // The most events a macro may hold: what the device service accepts for
    // one macro (its event buffer and its stored macros are limited to this).
    static constexpr size_t kMaxEvents = 16384;
    static constexpr uint32_t kDefaultDelay = 50;

    CMacroRecorder();

    void SetClock(TickClock clock);
    uint32_t Now() const;

    bool IsRecording() const { return m_recording; }
    // Starting forgets the previous key, button and time, and the limit.
    void Start();
    void Stop() { m_recording = false; }

    // Options (the page keeps the two flags mutually exclusive).
    void SetIgnoreDelays(bool on) { m_ignoreDelays = on; }
    bool IgnoreDelays() const { return m_ignoreDelays; }
    void SetInsertDefaultDelay(bool on) { m_insertDefaultDelay = on; }
    bool InsertDefaultDelay() const { return m_insertDefaultDelay; }
    void SetDefaultDelay(uint32_t ms) { m_defaultDelay = ms > kMacroMaxDelay ? kMacroMaxDelay : ms; }
    uint32_t DefaultDelay() const { return m_defaultDelay; }

    // A keyboard record: appends the key (after its delay) unless it is a
    // repeat of the press just recorded, Pause, part of an E1 sequence, a
    // fake E0 key or has no scan code. The number of events appended.
    size_t OnKeyboard(const RAWKEYBOARD& keyboard, MacroEvents& events);
    // A mouse record's button-flag word: one button press or release is
    // appended (after its delay); several flags, wheel-only words and the
    // click on the record button (`onRecordButton`) are not.
    size_t OnMouseButtons(uint16_t buttonFlags, bool onRecordButton, MacroEvents& events);

    // The last record was refused because the macro is full; stays set until
    // the next Start.
    bool LimitReached() const { return m_limitReached; }

private:
    size_t Record(const MacroEvent& event, MacroEvents& events);

    TickClock m_clock;
    bool m_recording = false;
    bool m_ignoreDelays = false;
    bool m_insertDefaultDelay = false;
    uint32_t m_defaultDelay = kDefaultDelay;
    uint32_t m_lastTime = 0;
    bool m_limitReached = false;
    // The last key described.
    uint16_t m_virtualKey = 0;
};

}  // namespace macro
