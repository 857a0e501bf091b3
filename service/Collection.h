// The shape the service's collection objects share: their items live in one
// vector of the mouse's state, each known by a key (an identity or a
// serial); an item object is made from its key and answers kErrNotFound once
// its item is gone. Traits name the vector and the keys:
//   using Element, Key; static std::vector<Element>& Items(MouseState&);
//   static Key KeyOf(const Element&); static Key KeyOf(const ItemObject&);
//   static bool Same(const Key&, const Key&);
#pragma once

#include <algorithm>
#include <utility>

#include "ComBase.h"
#include "EmulatedService.h"
#include "Objects.h"

namespace tarnsvc {

template <typename Interface, typename ItemInterface, typename ItemObject, typename Traits>
class CollectionObject : public ComObject<Interface> {
protected:
    using Key = typename Traits::Key;

    explicit CollectionObject(MouseRef mouse) : m_mouse(std::move(mouse)) {}

    HRESULT ItemAt(const char* operation, ULONG index, ItemInterface** out) {
        ClearOut(out);
        return Guarded(operation, [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            Key key{};
            {
                auto lock = m_mouse->Lock();
                const auto& items = Traits::Items(m_mouse->State());
                if (index >= items.size())
                    return kErrNoMoreItems;
                key = Traits::KeyOf(items[index]);
            }
            return MakeObject<ItemObject>(out, m_mouse, key);
        });
    }

    HRESULT FindKey(const char* operation, const Key& key, ItemInterface** out) {
        ClearOut(out);
        return Guarded(operation, [&]() -> HRESULT {
            if (!out)
                return E_POINTER;
            {
                auto lock = m_mouse->Lock();
                if (Locate(key) == Traits::Items(m_mouse->State()).end())
                    return kErrNotFound;
            }
            return MakeObject<ItemObject>(out, m_mouse, key);
        });
    }

    // Takes the item out; `after` sees the state, still under the lock.
    template <typename After>
    HRESULT RemoveItem(const char* operation, ItemInterface* item, After&& after) {
        return Guarded(operation, [&]() -> HRESULT {
            const ItemObject* target = Resolve(item);
            if (!target)
                return item ? E_INVALIDARG : E_POINTER;
            return m_mouse->Change([&]() -> HRESULT {
                const auto found = Locate(Traits::KeyOf(*target));
                if (found == Traits::Items(m_mouse->State()).end())
                    return kErrNotFound;
                Traits::Items(m_mouse->State()).erase(found);
                after(m_mouse->State());
                m_mouse->Changed();
                return S_OK;
            });
        });
    }
    HRESULT RemoveItem(const char* operation, ItemInterface* item) {
        return RemoveItem(operation, item, [](MouseState&) {});
    }

    // An item object of this mouse, or null.
    const ItemObject* Resolve(ItemInterface* item) const {
        const auto* object = dynamic_cast<const ItemObject*>(item);
        return object && object->Owner() == m_mouse.get() ? object : nullptr;
    }

    MouseRef m_mouse;

private:
    // Under the lock.
    auto Locate(const Key& key) {
        auto& items = Traits::Items(m_mouse->State());
        return std::find_if(items.begin(), items.end(),
                            [&](const auto& element) { return Traits::Same(Traits::KeyOf(element), key); });
    }
};

}  // namespace tarnsvc
