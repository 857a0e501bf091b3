#include "macro/MacroRecorder.h"

#include <algorithm>
#include <new>

#include "controls/BitmapWindow.h"

namespace macro {

CMacroRecorder::CMacroRecorder() : m_clock([] { return static_cast<uint32_t>(GetTickCount()); }) {}

void CMacroRecorder::SetClock(TickClock clock) {
    if (clock)
        m_clock = std::move(clock);
    else
        m_clock = [] { return static_cast<uint32_t>(GetTickCount()); };
}

uint32_t CMacroRecorder::Now() const {
    return m_clock();
}

void CMacroRecorder::Start() {
    m_recording = true;
    m_limitReached = false;
    m_lastTime = 0;
    m_virtualKey = 0;
}

size_t CMacroRecorder::OnKeyboard(const RAWKEYBOARD& keyboard, MacroEvents& events) {
    if (!m_recording)
        return 0;
    const bool release = (keyboard.Flags & RI_KEY_BREAK) != 0;
    const bool e0 = (keyboard.Flags & RI_KEY_E0) != 0;
    const uint16_t scanCode = keyboard.MakeCode;
    // A held key repeats its press: only the first is kept. The last event
    // must be a key (a left-button press has code 1 too, as Escape has).
    if (!release && !events.empty()) {
        const MacroEvent& last = events.back();
        if (last.kind == kMacroEventKey && (last.code & 0xFFFF) == scanCode &&
            (last.state & 0xFF) == kMacroStatePress && ((last.state & kMacroStateExtended) != 0) == e0)
            return 0;
    }
    // 255 is "no virtual key" (the fake keys of some E0 sequences): the
    // previous one stays.
    if (keyboard.VKey != 0xFF) {
        const LPARAM flags = static_cast<LPARAM>((static_cast<UINT>(scanCode & 0xFF) << 16) | (e0 ? (1u << 24) : 0u));
        m_virtualKey = static_cast<uint16_t>(controls::RefineKeyCode(keyboard.VKey, flags));
    }
    if (scanCode == 0 || (keyboard.Flags & RI_KEY_E1) != 0 || (e0 && keyboard.VKey == 0xFF) ||
        m_virtualKey == VK_PAUSE)
        return 0;
    MacroEvent event;
    event.kind = kMacroEventKey;
    event.code = scanCode | (static_cast<uint32_t>(m_virtualKey) << 16);
    event.state = (release ? kMacroStateRelease : kMacroStatePress) | (e0 ? kMacroStateExtended : 0u);
    return Record(event, events);
}

size_t CMacroRecorder::OnMouseButtons(uint16_t buttonFlags, bool onRecordButton, MacroEvents& events) {
    if (!m_recording)
        return 0;
    uint32_t button = 0;
    uint32_t state = 0;
    if (!macrobuf::ButtonFromFlag(buttonFlags, button, state) || onRecordButton)
        return 0;
    return Record(MacroEvent{kMacroEventButton, button, state}, events);
}

size_t CMacroRecorder::Record(const MacroEvent& event, MacroEvents& events) {
    const uint32_t now = m_clock();
    bool withDelay = false;
    uint32_t delay = 0;
    if (!events.empty()) {
        if (m_insertDefaultDelay) {
            withDelay = true;
            delay = m_defaultDelay;
        } else if (!m_ignoreDelays) {
            withDelay = true;
            const uint32_t gap = now - m_lastTime;  // unsigned: right across the counter's wrap
            delay = gap > kMacroMaxDelay ? kMacroMaxDelay : gap;
        }
    }
    const size_t needed = withDelay ? 2 : 1;
    if (events.size() + needed > kMaxEvents) {
        m_limitReached = true;
        return 0;
    }
    try {
        // Both or neither; growing geometrically, as push_back would.
        if (events.capacity() < events.size() + needed)
            events.reserve(std::max(events.size() + needed, events.capacity() * 2));
    } catch (const std::bad_alloc&) {
        return 0;  // out of memory: the record is dropped like an unreadable one
    }
    m_lastTime = now;
    if (withDelay)
        events.push_back(MacroEvent{kMacroEventDelay, delay, delay});
    events.push_back(event);
    return needed;
}

}  // namespace macro
