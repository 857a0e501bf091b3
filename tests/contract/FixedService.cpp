#include "FixedService.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <new>

// COM objects are released, never deleted through their interfaces, which
// therefore have no virtual destructor.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace fixedsvc {

using namespace devsvc;

namespace {

Mouse g_mouse;
std::recursive_mutex g_lock;

// ---- contract checks --------------------------------------------------------

// A buffer handed in must come from the task allocator.
void CheckHandedIn(const void* buffer) {
    if (!buffer)
        return;
    IMalloc* malloc = nullptr;
    int did = 0;
    if (SUCCEEDED(CoGetMalloc(1, &malloc))) {
        did = malloc->DidAlloc(const_cast<void*>(buffer));
        malloc->Release();
    }
    if (did != 1) {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        ++g_mouse.foreignBuffers;
    }
}

// A block for the caller, remembered until the caller frees it.
void* HandOut(size_t bytes) {
    void* block = CoTaskMemAlloc(bytes);
    if (block) {
        std::memset(block, 0, bytes);
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        g_mouse.outstanding.insert(block);
    }
    return block;
}

wchar_t* HandOutText(const std::wstring& text) {
    auto* block = static_cast<wchar_t*>(HandOut((text.size() + 1) * sizeof(wchar_t)));
    if (block)
        std::wmemcpy(block, text.c_str(), text.size() + 1);
    return block;
}

// Sees the caller's frees of the blocks handed out.
class FreeSpy final : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) noexcept override { return request; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) noexcept override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) noexcept override {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        g_mouse.outstanding.erase(request);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) noexcept override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) noexcept override {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) noexcept override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) noexcept override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) noexcept override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) noexcept override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) noexcept override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() noexcept override {}
    void STDMETHODCALLTYPE PostHeapMinimize() noexcept override {}
};
FreeSpy g_spy;

// ---- objects ----------------------------------------------------------------

template <typename I>
class Object : public I {
public:
    Object(const IID& iid) : m_iid(iid) {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        ++g_mouse.liveObjects;
    }
    virtual ~Object() {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        --g_mouse.liveObjects;
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, m_iid)) {
            *out = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> m_refs{1};
    const IID& m_iid;
};

template <typename T, typename I, typename... Args>
HRESULT Make(I** out, Args&&... args) {
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) T(std::forward<Args>(args)...);
    return *out ? S_OK : E_OUTOFMEMORY;
}

Profile* FindProfile(const GUID& id) {
    for (Profile& p : g_mouse.profiles) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

Macro* FindMacro(const GUID& id) {
    for (Macro& m : g_mouse.macros) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

// Item(index) and Find(id) of the two collections, each answering an object
// that names its entry by identity. `list` picks the collection under the lock.
template <typename T, typename I, typename List>
HRESULT ItemOf(ULONG index, I** out, List list) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    std::unique_lock<std::recursive_mutex> hold(g_lock);
    if (index >= list().size())
        return E_INVALIDARG;
    const GUID id = list()[index].id;
    hold.unlock();
    return Make<T>(out, id);
}

template <typename T, typename I, typename Exists>
HRESULT FindOf(GUID id, I** out, Exists exists) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    std::unique_lock<std::recursive_mutex> hold(g_lock);
    if (!exists(id))
        return E_INVALIDARG;
    hold.unlock();
    return Make<T>(out, id);
}

GUID NewId() {
    GUID id{};
    CoCreateGuid(&id);
    return id;
}

// Objects bound to a profile find it by identity on every call, so a removed
// profile answers "not found".
class ProfileBound {
protected:
    explicit ProfileBound(const GUID& id) : m_id(id) {}
    template <typename F>
    HRESULT With(F&& f) {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        Profile* p = FindProfile(m_id);
        return p ? f(*p) : E_FAIL;
    }
    GUID m_id;
};

HRESULT CopyActions(const std::map<uint32_t, ActionRecord>& table, ULONG* count, ActionRecord* buffer) {
    if (!count || (*count > 0 && !buffer))
        return E_POINTER;
    ULONG n = 0;
    for (const auto& entry : table) {
        if (n == *count)
            break;
        buffer[n++] = entry.second;
    }
    *count = n;
    return S_OK;
}

class Buttons final : public Object<IDeviceButtons>, ProfileBound {
public:
    explicit Buttons(const GUID& id) : Object(kIidButtons), ProfileBound(id) {}
    HRESULT STDMETHODCALLTYPE Actions(ULONG* count, ActionRecord* buffer) noexcept override {
        CheckHandedIn(buffer);
        return With([&](Profile& p) { return CopyActions(p.buttons, count, buffer); });
    }
    HRESULT STDMETHODCALLTYPE SetActions(ULONG count, const ActionRecord* records) noexcept override {
        CheckHandedIn(records);
        if (count > 0 && !records)
            return E_POINTER;
        return With([&](Profile& p) {
            for (ULONG i = 0; i < count; ++i) {
                if (!p.buttons.count(records[i].id))
                    return E_INVALIDARG;
                p.buttons[records[i].id] = records[i];
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Capabilities(ButtonCapabilities* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = {kButtonCount, kButtonMask};
        return S_OK;
    }
};

class Keys final : public Object<IDeviceKeys>, ProfileBound {
public:
    explicit Keys(const GUID& id) : Object(kIidKeys), ProfileBound(id) {}
    HRESULT STDMETHODCALLTYPE Capabilities(KeyCapabilities* out) noexcept override {
        if (!out)
            return E_POINTER;
        auto* records = static_cast<ActionRecord*>(HandOut(sizeof(ActionRecord) * kKeyCount));
        if (!records)
            return E_OUTOFMEMORY;
        for (uint32_t i = 0; i < kKeyCount; ++i) {
            records[i].one = 1;
            records[i].id = kFirstKey + i;
        }
        *out = {kKeyCount, records};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Actions(ULONG* count, ActionRecord* buffer) noexcept override {
        CheckHandedIn(buffer);
        return With([&](Profile& p) { return CopyActions(p.keys, count, buffer); });
    }
    HRESULT STDMETHODCALLTYPE SetActions(ULONG count, const ActionRecord* records) noexcept override {
        CheckHandedIn(records);
        if (count > 0 && !records)
            return E_POINTER;
        return With([&](Profile& p) {
            for (ULONG i = 0; i < count; ++i) {
                if (!p.keys.count(records[i].id))
                    return E_INVALIDARG;
                p.keys[records[i].id] = records[i];
            }
            return S_OK;
        });
    }
};

class Sensitivity final : public Object<ISensitivity>, ProfileBound {
public:
    explicit Sensitivity(const GUID& id) : Object(kIidSensitivity), ProfileBound(id) {}
    HRESULT STDMETHODCALLTYPE Current(LONG* x, LONG* y) noexcept override {
        if (!x || !y)
            return E_POINTER;
        return With([&](Profile& p) {
            *x = p.x;
            *y = p.y;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetCurrent(LONG x, LONG y) noexcept override {
        return With([&](Profile& p) {
            p.x = x;
            p.y = y;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Limits(SensitivityLimits* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = {5, 100, 5600};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ActiveStage(ULONG* stage) noexcept override {
        if (!stage)
            return E_POINTER;
        return With([&](Profile& p) {
            *stage = p.activeStage;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetActiveStage(ULONG stage) noexcept override {
        return With([&](Profile& p) {
            p.activeStage = stage;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Stages(ULONG* count, StagePair** pairs) noexcept override {
        if (!count || !pairs)
            return E_POINTER;
        return With([&](Profile& p) {
            auto* block = static_cast<StagePair*>(HandOut(sizeof(StagePair) * std::max<size_t>(p.stages.size(), 1)));
            if (!block)
                return E_OUTOFMEMORY;
            std::copy(p.stages.begin(), p.stages.end(), block);
            *pairs = block;
            *count = static_cast<ULONG>(p.stages.size());
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetStages(ULONG count, const StagePair* pairs) noexcept override {
        CheckHandedIn(pairs);
        if (count == 0 || count > 5 || !pairs)
            return E_INVALIDARG;
        return With([&](Profile& p) {
            p.stages.assign(pairs, pairs + count);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Range(LONG* minimum, LONG* maximum, LONG* step) noexcept override {
        if (!minimum || !maximum || !step)
            return E_POINTER;
        *minimum = 100;
        *maximum = 5600;
        *step = 100;
        return S_OK;
    }
};

class Light final : public Object<ILight>, ProfileBound {
public:
    Light(const GUID& id, ULONG kind) : Object(kIidLight), ProfileBound(id), m_kind(kind) {}
    HRESULT STDMETHODCALLTYPE On() noexcept override { return Set(1); }
    HRESULT STDMETHODCALLTYPE Off() noexcept override { return Set(0); }
    HRESULT STDMETHODCALLTYPE State(ULONG* out) noexcept override {
        if (!out)
            return E_POINTER;
        return With([&](Profile& p) {
            *out = m_kind == kLightScrollWheel ? p.scrollLight : m_kind == kLightUnderGlow ? p.underGlow : 1;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Kind(ULONG* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = m_kind;
        return S_OK;
    }

private:
    HRESULT Set(ULONG on) {
        return With([&](Profile& p) {
            if (m_kind == kLightScrollWheel)
                p.scrollLight = on;
            else if (m_kind == kLightUnderGlow)
                p.underGlow = on;
            return S_OK;
        });
    }
    ULONG m_kind;
};

class Lights final : public Object<ILights>, ProfileBound {
public:
    explicit Lights(const GUID& id) : Object(kIidLights), ProfileBound(id) {}
    HRESULT STDMETHODCALLTYPE Item(ULONG index, ILight** out) noexcept override {
        // A third light of a kind the program does not know.
        static constexpr ULONG kKinds[] = {kLightScrollWheel, 7, kLightUnderGlow};
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (index >= 3)
            return E_INVALIDARG;
        return Make<Light>(out, m_id, kKinds[index]);
    }
};

class Properties final : public Object<IProperties>, ProfileBound {
public:
    explicit Properties(const GUID& id) : Object(kIidProperties), ProfileBound(id) {}
    HRESULT STDMETHODCALLTYPE Get(ULONG id, ULONG, BYTE* buffer, ULONG, ULONG* size) noexcept override {
        CheckHandedIn(buffer);
        if (!buffer || !size)
            return E_POINTER;
        return With([&](Profile& p) -> HRESULT {
            if (id == kPropertyProgramPath) {
                const ULONG bytes = static_cast<ULONG>((p.programPath.size() + 1) * sizeof(wchar_t));
                if (*size < bytes)
                    return E_INVALIDARG;
                std::memcpy(buffer, p.programPath.c_str(), bytes);
                *size = bytes;
                return S_OK;
            }
            if (id == kPropertyFlags) {
                if (*size < 2)
                    return E_INVALIDARG;
                std::memcpy(buffer, &p.flags, 2);
                *size = 2;
                return S_OK;
            }
            return E_INVALIDARG;
        });
    }
    HRESULT STDMETHODCALLTYPE Set(ULONG id, const BYTE* buffer, ULONG, ULONG size, ULONG) noexcept override {
        CheckHandedIn(buffer);
        if (!buffer)
            return E_POINTER;
        return With([&](Profile& p) -> HRESULT {
            if (id == kPropertyProgramPath) {
                const auto* text = reinterpret_cast<const wchar_t*>(buffer);
                p.programPath.assign(text, wcsnlen(text, size / sizeof(wchar_t)));
                return S_OK;
            }
            if (id == kPropertyFlags && size == 4) {
                uint16_t pair[2];
                std::memcpy(pair, buffer, 4);
                p.flags = static_cast<uint16_t>(pair[1] ? (p.flags | pair[0]) : (p.flags & ~pair[0]));
                return S_OK;
            }
            return E_INVALIDARG;
        });
    }
};

class DeviceProfile final : public Object<IDeviceProfile>, ProfileBound {
public:
    explicit DeviceProfile(const GUID& id) : Object(kIidDeviceProfile), ProfileBound(id) {}
    HRESULT STDMETHODCALLTYPE Feature(REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, kIidButtons))
            return Make<Buttons>(reinterpret_cast<IDeviceButtons**>(out), m_id);
        if (IsEqualIID(iid, kIidKeys))
            return Make<Keys>(reinterpret_cast<IDeviceKeys**>(out), m_id);
        if (IsEqualIID(iid, kIidSensitivity))
            return Make<Sensitivity>(reinterpret_cast<ISensitivity**>(out), m_id);
        if (IsEqualIID(iid, kIidLights))
            return Make<Lights>(reinterpret_cast<ILights**>(out), m_id);
        if (IsEqualIID(iid, kIidProperties))
            return Make<Properties>(reinterpret_cast<IProperties**>(out), m_id);
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Id(GUID* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = m_id;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Name(wchar_t** out) noexcept override {
        if (!out)
            return E_POINTER;
        return With([&](Profile& p) {
            *out = HandOutText(p.name);
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE SetName(const wchar_t* name) noexcept override {
        if (!name)
            return E_POINTER;
        return With([&](Profile& p) {
            p.name = name;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Export(const wchar_t*) noexcept override { return E_NOTIMPL; }
};

Profile NewProfile(const wchar_t* name) {
    Profile p;
    p.id = NewId();
    p.name = name;
    for (uint32_t id : {1u, 2u, 3u, 4u, 5u, 8u, 9u}) {
        ActionRecord r;
        r.id = id;
        r.category = kCategoryMouse;
        r.data[0] = id == 1 ? 1 : 0;  // the left button clicks, the others do nothing
        p.buttons[id] = r;
    }
    for (uint32_t i = 0; i < kKeyCount; ++i) {
        ActionRecord r;
        r.id = kFirstKey + i;
        r.category = kCategoryKey;
        r.data[0] = static_cast<uint8_t>(kFirstKey + i);  // each key sends its own scan code
        p.keys[r.id] = r;
    }
    p.stages = {{400, 400}, {800, 800}, {1600, 1600}};
    p.activeStage = 2;
    return p;
}

class Profiles final : public Object<IDeviceProfiles> {
public:
    Profiles() : Object(kIidProfiles) {}
    HRESULT STDMETHODCALLTYPE Item(ULONG index, IDeviceProfile** out) noexcept override {
        return ItemOf<DeviceProfile>(index, out, []() -> auto& { return g_mouse.profiles; });
    }
    HRESULT STDMETHODCALLTYPE Find(GUID id, IDeviceProfile** out) noexcept override {
        return FindOf<DeviceProfile>(id, out, [](const GUID& wanted) { return FindProfile(wanted) != nullptr; });
    }
    HRESULT STDMETHODCALLTYPE SetActive(IDeviceProfile* profile) noexcept override {
        GUID id{};
        if (!profile || FAILED(profile->Id(&id)))
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        for (size_t i = 0; i < g_mouse.profiles.size(); ++i) {
            if (g_mouse.profiles[i].id == id) {
                g_mouse.active = i;
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Active(IDeviceProfile** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        std::unique_lock<std::recursive_mutex> hold(g_lock);
        if (g_mouse.active >= g_mouse.profiles.size())
            return E_FAIL;
        const GUID id = g_mouse.profiles[g_mouse.active].id;
        hold.unlock();
        return Make<DeviceProfile>(out, id);
    }
    HRESULT STDMETHODCALLTYPE Create(IDeviceProfile** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        std::unique_lock<std::recursive_mutex> hold(g_lock);
        if (g_mouse.profiles.size() >= 5)
            return E_FAIL;
        g_mouse.profiles.push_back(NewProfile(L"New"));
        const GUID id = g_mouse.profiles.back().id;
        hold.unlock();
        return Make<DeviceProfile>(out, id);
    }
    HRESULT STDMETHODCALLTYPE Remove(IDeviceProfile* profile) noexcept override {
        GUID id{};
        if (!profile || FAILED(profile->Id(&id)))
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        for (size_t i = 0; i < g_mouse.profiles.size(); ++i) {
            if (g_mouse.profiles[i].id == id) {
                g_mouse.profiles.erase(g_mouse.profiles.begin() + static_cast<ptrdiff_t>(i));
                if (g_mouse.active >= g_mouse.profiles.size())
                    g_mouse.active = 0;
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Reserved9() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Import(const wchar_t*, IDeviceProfile** out) noexcept override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
};

class MacroItem final : public Object<IMacroItem> {
public:
    explicit MacroItem(const GUID& id) : Object(kIidMacro), m_id(id) {}
    HRESULT STDMETHODCALLTYPE Id(GUID* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = m_id;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Name(wchar_t** out) noexcept override {
        if (!out)
            return E_POINTER;
        return With([&](Macro& m) {
            *out = HandOutText(m.name);
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE SetName(const wchar_t* name) noexcept override {
        if (!name)
            return E_POINTER;
        return With([&](Macro& m) {
            m.name = name;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Export(const wchar_t*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Events(BYTE** buffer) noexcept override {
        if (!buffer)
            return E_POINTER;
        *buffer = nullptr;
        return With([&](Macro& m) -> HRESULT {
            const EventBufferHeader header{0, static_cast<uint32_t>(m.events.size())};
            switch (g_mouse.eventsAnswer) {
                case EventsAnswer::Null:
                    return S_OK;
                case EventsAnswer::ZeroLength:
                    *buffer = static_cast<BYTE*>(HandOut(0));
                    return S_OK;
                case EventsAnswer::CountPastTheBlock: {
                    // The header claims a thousand events; the block holds the real ones.
                    const EventBufferHeader lying{0, 1000};
                    auto* block = static_cast<BYTE*>(HandOut(sizeof(lying) + sizeof(EventEntry) * m.events.size()));
                    std::memcpy(block, &lying, sizeof(lying));
                    std::memcpy(block + sizeof(lying), m.events.data(), sizeof(EventEntry) * m.events.size());
                    *buffer = block;
                    return S_OK;
                }
                case EventsAnswer::Normal:
                    break;
            }
            auto* block = static_cast<BYTE*>(HandOut(sizeof(header) + sizeof(EventEntry) * m.events.size()));
            if (!block)
                return E_OUTOFMEMORY;
            std::memcpy(block, &header, sizeof(header));
            if (!m.events.empty())
                std::memcpy(block + sizeof(header), m.events.data(), sizeof(EventEntry) * m.events.size());
            *buffer = block;
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetEvents(const BYTE* buffer) noexcept override {
        CheckHandedIn(buffer);
        if (!buffer)
            return E_POINTER;
        // The buffer carries its own count; its block says how far it goes.
        IMalloc* malloc = nullptr;
        SIZE_T size = 0;
        if (SUCCEEDED(CoGetMalloc(1, &malloc))) {
            size = malloc->GetSize(const_cast<BYTE*>(buffer));
            malloc->Release();
        }
        EventBufferHeader header{};
        if (size == static_cast<SIZE_T>(-1) || size < sizeof(header))
            return E_INVALIDARG;
        std::memcpy(&header, buffer, sizeof(header));
        if (header.count > (size - sizeof(header)) / sizeof(EventEntry))
            return E_INVALIDARG;
        std::vector<EventEntry> events(header.count);
        if (header.count > 0)
            std::memcpy(events.data(), buffer + sizeof(header), sizeof(EventEntry) * header.count);
        return With([&](Macro& m) {
            m.events = std::move(events);
            return S_OK;
        });
    }

private:
    template <typename F>
    HRESULT With(F&& f) {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        Macro* m = FindMacro(m_id);
        return m ? f(*m) : E_FAIL;
    }
    GUID m_id;
};

class Macros final : public Object<IMacros> {
public:
    Macros() : Object(kIidMacros) {}
    HRESULT STDMETHODCALLTYPE Item(ULONG index, IMacroItem** out) noexcept override {
        return ItemOf<MacroItem>(index, out, []() -> auto& { return g_mouse.macros; });
    }
    HRESULT STDMETHODCALLTYPE Find(GUID id, IMacroItem** out) noexcept override {
        return FindOf<MacroItem>(id, out, [](const GUID& wanted) { return FindMacro(wanted) != nullptr; });
    }
    HRESULT STDMETHODCALLTYPE Create(IMacroItem** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        std::unique_lock<std::recursive_mutex> hold(g_lock);
        g_mouse.macros.push_back({NewId(), L"Macro", {}});
        const GUID id = g_mouse.macros.back().id;
        hold.unlock();
        return Make<MacroItem>(out, id);
    }
    HRESULT STDMETHODCALLTYPE Remove(IMacroItem* macro) noexcept override {
        GUID id{};
        if (!macro || FAILED(macro->Id(&id)))
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        for (size_t i = 0; i < g_mouse.macros.size(); ++i) {
            if (g_mouse.macros[i].id == id) {
                g_mouse.macros.erase(g_mouse.macros.begin() + static_cast<ptrdiff_t>(i));
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE Reserved7() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Import(const wchar_t*, IMacroItem** out) noexcept override {
        if (out)
            *out = nullptr;
        return E_NOTIMPL;
    }
};

class Acceleration final : public Object<IAcceleration> {
public:
    Acceleration() : Object(kIidAcceleration) {}
    HRESULT STDMETHODCALLTYPE Enable() noexcept override { return Set(&Mouse::accelerationOn, TRUE); }
    HRESULT STDMETHODCALLTYPE Disable() noexcept override { return Set(&Mouse::accelerationOn, FALSE); }
    HRESULT STDMETHODCALLTYPE Enabled(BOOL* out) noexcept override {
        if (!out)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        *out = g_mouse.accelerationOn;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetLevel(ULONG level) noexcept override {
        if (level < 1 || level > 10)
            return E_INVALIDARG;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        g_mouse.accelerationLevel = level;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Level(ULONG* out) noexcept override {
        if (!out)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        *out = g_mouse.accelerationLevel;
        return S_OK;
    }

private:
    static HRESULT Set(BOOL Mouse::*field, BOOL value) {
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        g_mouse.*field = value;
        return S_OK;
    }
};

class Polling final : public Object<IPolling> {
public:
    Polling() : Object(kIidPolling) {}
    HRESULT STDMETHODCALLTYPE Interval(ULONG* ms) noexcept override {
        if (!ms)
            return E_POINTER;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        *ms = g_mouse.interval;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetInterval(ULONG ms) noexcept override {
        if (ms != 1 && ms != 2 && ms != 8)
            return E_INVALIDARG;
        std::lock_guard<std::recursive_mutex> hold(g_lock);
        g_mouse.interval = ms;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Supported(ULONG* count, ULONG** intervals) noexcept override {
        if (!count || !intervals)
            return E_POINTER;
        auto* block = static_cast<ULONG*>(HandOut(3 * sizeof(ULONG)));
        if (!block)
            return E_OUTOFMEMORY;
        block[0] = 8;
        block[1] = 2;
        block[2] = 1;
        *intervals = block;
        *count = 3;
        return S_OK;
    }
};

class Device final : public Object<IDevice> {
public:
    explicit Device(uint32_t product) : Object(kIidDevice), m_product(product) {}
    HRESULT STDMETHODCALLTYPE Info(InfoRecord* out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = {0, m_product, 3, 7, 1, 4, HandOutText(L"Fixed test mouse")};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Feature(REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (m_product != kProduct)
            return E_NOINTERFACE;
        if (IsEqualIID(iid, kIidProfiles))
            return Make<Profiles>(reinterpret_cast<IDeviceProfiles**>(out));
        if (IsEqualIID(iid, kIidMacros))
            return Make<Macros>(reinterpret_cast<IMacros**>(out));
        if (IsEqualIID(iid, kIidAcceleration))
            return Make<Acceleration>(reinterpret_cast<IAcceleration**>(out));
        if (IsEqualIID(iid, kIidPolling))
            return Make<Polling>(reinterpret_cast<IPolling**>(out));
        return E_NOINTERFACE;
    }

private:
    uint32_t m_product;
};

// Device 0 is a mouse of another product, device 1 the one the program wants.
class Enumerator final : public Object<IDeviceEnumerator> {
public:
    Enumerator() : Object(kIidEnumerator) {}
    HRESULT STDMETHODCALLTYPE Device(ULONG index, IDevice** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (index > 1)
            return E_INVALIDARG;
        return Make<fixedsvc::Device>(out, index == 0 ? 99u : kProduct);
    }
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Enumerator* enumerator = new (std::nothrow) Enumerator();
        if (!enumerator)
            return E_OUTOFMEMORY;
        const HRESULT hr = enumerator->QueryInterface(iid, out);
        enumerator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) noexcept override { return S_OK; }
};
Factory g_factory;
DWORD g_cookie = 0;

}  // namespace

Mouse& State() {
    return g_mouse;
}

std::recursive_mutex& Lock() {
    return g_lock;
}

void Reset() {
    std::lock_guard<std::recursive_mutex> hold(g_lock);
    const int live = g_mouse.liveObjects;
    g_mouse = Mouse{};
    g_mouse.liveObjects = live;
    g_mouse.profiles = {NewProfile(L"Fixed One"), NewProfile(L"Fixed Two")};
    g_mouse.profiles[1].programPath = L"C:\\Games\\fixed.exe";
    g_mouse.profiles[1].flags = 1 | 4;
    g_mouse.profiles[1].underGlow = 0;
    g_mouse.macros = {{NewId(), L"Fixed Macro", {{2, 0x1E, 0}, {3, 250, 0}, {2, 0x1E, 1}, {1, 0x1, 0}}}};
}

bool Register() {
    if (FAILED(CoRegisterMallocSpy(&g_spy)))
        return false;
    return SUCCEEDED(CoRegisterClassObject(kClassId, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &g_cookie));
}

void Unregister() {
    if (g_cookie)
        CoRevokeClassObject(g_cookie);
    g_cookie = 0;
    CoRevokeMallocSpy();
}

}  // namespace fixedsvc
