// The macro collection and the macro item.
#include <algorithm>
#include <cstring>

#include "ComBase.h"
#include "EmulatedService.h"
#include "ExportFile.h"
#include "Collection.h"
#include "Objects.h"
#include "win/ComPtr.h"

namespace tarnsvc {
namespace {

using namespace devsvc;

class MacroObject final : public ComObject<IMacroItem> {
public:
    MacroObject(MouseRef mouse, const GUID& id) : m_mouse(std::move(mouse)), m_id(id) {}

    Mouse* Owner() const noexcept { return m_mouse.get(); }
    const GUID& MacroId() const noexcept { return m_id; }

    HRESULT STDMETHODCALLTYPE Id(GUID* out) noexcept override {
        return Guarded("Macro.Id", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return WithMacro([&](MacroState& m) {
                *out = m.id;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Name(wchar_t** out) noexcept override {
        ClearOut(out);
        return Guarded("Macro.Name", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            return WithMacro([&](MacroState& m) -> HRESULT {
                *out = TaskMemString(m.name);
                return *out ? S_OK : E_OUTOFMEMORY;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetName(const wchar_t* name) noexcept override {
        return Guarded("Macro.SetName", [&]() -> HRESULT {
            if (!name)
                return E_POINTER;
            const std::wstring text(name);
            if (!ValidName(text))
                return E_INVALIDARG;
            return ChangeMacro([&](MacroState& m) {
                if (m.name != text) {
                    m.name = text;
                    m_mouse->Changed();
                }
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE Export(const wchar_t* path) noexcept override {
        return Guarded("Macro.Export", [&]() -> HRESULT {
            if (!path)
                return E_POINTER;
            std::string document;
            const HRESULT hr = WithMacro([&](MacroState& m) {
                document = exports::MacroDocument(m);
                return S_OK;
            });
            return FAILED(hr) ? hr : exports::WriteDocument(path, document);
        });
    }
    HRESULT STDMETHODCALLTYPE Events(BYTE** buffer) noexcept override {
        if (buffer)
            *buffer = nullptr;
        return Guarded("Macro.Events", [&]() -> HRESULT {
            if (!buffer)
                return E_POINTER;
            return WithMacro([&](MacroState& m) -> HRESULT {
                const size_t entries = sizeof(EventEntry) * m.events.size();
                const size_t bytes = sizeof(EventBufferHeader) + entries;
                auto* block = static_cast<BYTE*>(::CoTaskMemAlloc(bytes));
                if (!block)
                    return E_OUTOFMEMORY;
                const EventBufferHeader header{0, static_cast<uint32_t>(m.events.size())};
                std::memcpy(block, &header, sizeof(header));
                if (entries > 0)
                    std::memcpy(block + sizeof(header), m.events.data(), entries);
                *buffer = block;
                return S_OK;
            });
        });
    }
    HRESULT STDMETHODCALLTYPE SetEvents(const BYTE* buffer) noexcept override {
        return Guarded("Macro.SetEvents", [&]() -> HRESULT {
            if (!buffer)
                return E_POINTER;
            // The buffer comes from the task allocator, which knows its size:
            // the header's count must fit it, and nothing past it is read.
            const size_t size = win::CoTaskMemSize(buffer);
            EventBufferHeader header{};
            if (size < sizeof(header))
                return E_INVALIDARG;
            std::memcpy(&header, buffer, sizeof(header));
            if (header.count > kMaxMacroEvents ||
                sizeof(header) + uint64_t(header.count) * sizeof(EventEntry) > uint64_t(size))
                return E_INVALIDARG;
            std::vector<EventEntry> events(header.count);
            if (header.count > 0)
                std::memcpy(events.data(), buffer + sizeof(header), sizeof(EventEntry) * header.count);
            if (!ValidEvents(events.data(), events.size()))
                return E_INVALIDARG;
            return ChangeMacro([&](MacroState& m) {
                const bool same = m.events.size() == events.size() &&
                                  (events.empty() || std::memcmp(m.events.data(), events.data(),
                                                                 sizeof(EventEntry) * events.size()) == 0);
                if (!same) {
                    m.events = std::move(events);
                    m_mouse->Changed();
                }
                return S_OK;
            });
        });
    }

private:
    template <typename F>
    HRESULT WithMacro(F&& f) {
        auto lock = m_mouse->Lock();
        MacroState* macro = m_mouse->FindMacro(m_id);
        return macro ? f(*macro) : kErrNotFound;
    }
    template <typename F>
    HRESULT ChangeMacro(F&& f) {
        return m_mouse->Change([&] {
            MacroState* macro = m_mouse->FindMacro(m_id);
            return macro ? f(*macro) : kErrNotFound;
        });
    }

    MouseRef m_mouse;
    GUID m_id;
};

struct MacroTraits {
    using Element = MacroState;
    using Key = GUID;
    static std::vector<MacroState>& Items(MouseState& state) { return state.macros; }
    static Key KeyOf(const MacroState& macro) { return macro.id; }
    static Key KeyOf(const MacroObject& object) { return object.MacroId(); }
    static bool Same(const GUID& a, const GUID& b) { return SameId(a, b); }
};

class MacrosObject final : public CollectionObject<IMacros, IMacroItem, MacroObject, MacroTraits> {
public:
    explicit MacrosObject(MouseRef mouse) : CollectionObject(std::move(mouse)) {}

    HRESULT STDMETHODCALLTYPE Item(ULONG index, IMacroItem** out) noexcept override {
        return ItemAt("Macros.Item", index, out);
    }
    HRESULT STDMETHODCALLTYPE Find(GUID id, IMacroItem** out) noexcept override {
        return FindKey("Macros.Find", id, out);
    }
    HRESULT STDMETHODCALLTYPE Create(IMacroItem** out) noexcept override {
        ClearOut(out);
        return Guarded("Macros.Create", [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            MacroState macro;
            macro.id = NewId();
            const HRESULT hr = Add(macro, true);
            return FAILED(hr) ? hr : MakeObject<MacroObject>(out, m_mouse, macro.id);
        });
    }
    HRESULT STDMETHODCALLTYPE Remove(IMacroItem* item) noexcept override {
        return RemoveItem("Macros.Remove", item);
    }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override {
        return Guarded("Macros.Reserved7", [] { return E_NOTIMPL; });
    }
    HRESULT STDMETHODCALLTYPE Import(const wchar_t* path, IMacroItem** out) noexcept override {
        ClearOut(out);
        return Guarded("Macros.Import", [&]() -> HRESULT {
            if (!path || !out)
                return E_POINTER;
            MacroState macro;
            const HRESULT hr = exports::ReadMacro(path, macro);
            if (FAILED(hr))
                return hr;
            macro.id = NewId();
            const HRESULT added = Add(macro, false);
            return FAILED(added) ? added : MakeObject<MacroObject>(out, m_mouse, macro.id);
        });
    }

private:
    // kErrFull when the mouse holds the most macros it can.
    HRESULT Add(MacroState& macro, bool defaultName) {
        return m_mouse->Change([&]() -> HRESULT {
            auto& macros = m_mouse->State().macros;
            if (macros.size() >= kMaxMacros)
                return kErrFull;
            if (defaultName)
                macro.name = UnusedName(L"Macro", macros);
            macros.push_back(macro);
            m_mouse->Changed();
            return S_OK;
        });
    }
};

}  // namespace

HRESULT NewMacros(const MouseRef& mouse, REFIID iid, void** out) {
    return MakeObjectAs<MacrosObject>(iid, out, mouse);
}

}  // namespace tarnsvc
