// Small helpers every transfer uses on the device service's objects: taking a
// feature, reading a name, walking and pruning a collection, and buffers from
// the task allocator for the calls that hand data in.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include "device/DeviceService.h"
#include "win/ComPtr.h"

namespace devlink {

// Bounds every walk over a device collection, so a service that never says
// "past the end" cannot hold us forever.
inline constexpr ULONG kCollectionLimit = 1024;
// More records than any mouse has keys; a larger count is not trusted.
inline constexpr ULONG kRecordLimit = 256;

inline bool IsNull(const GUID& id) {
    return id == GUID{};
}

inline bool SameName(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

template <typename Owner, typename T>
bool GetFeature(Owner* owner, REFIID iid, win::ComPtr<T>& out) {
    out.reset();
    if (!owner || FAILED(owner->Feature(iid, out.put_void())) || !out) {
        out.reset();
        return false;
    }
    return true;
}

template <typename Item>
bool ReadName(Item* item, std::wstring& out) {
    win::CoTaskMemOut<wchar_t> text;
    if (FAILED(item->Name(text.put())))
        return false;
    out = text.get() ? text.get() : L"";
    return true;
}

// Calls visit(item, index) for the items from index 0 until the collection
// answers "past the end" (a failing Item) or visit returns false. Returns the
// number of items obtained.
template <typename Item, typename Collection, typename Visit>
ULONG ForEachItem(Collection* collection, Visit&& visit) {
    ULONG index = 0;
    for (; index < kCollectionLimit; ++index) {
        win::ComPtr<Item> item;
        if (FAILED(collection->Item(index, item.put())) || !item)
            break;
        if (!visit(item.get(), index))
            return index + 1;
    }
    return index;
}

// The contract marks the end of a collection only by a failing Item, so a
// call that fails inside the collection looks like its end. A walk is
// trusted as complete only when a second walk counts the same number.
template <typename Item, typename Collection>
ULONG CountItems(Collection* collection) {
    return ForEachItem<Item>(collection, [](Item*, ULONG) { return true; });
}

enum class Verdict { Keep, Remove, Fail };

// Removes every item that judge(item) answers Remove for; after a removal the
// same index is asked for again. False when judge answers Fail, a removal
// fails, or the walk ends before the collection does. `kept` counts the
// items left.
template <typename Item, typename Collection, typename Judge>
bool PruneItems(Collection* collection, Judge&& judge, ULONG& kept) {
    kept = 0;
    for (ULONG guard = 0; guard < kCollectionLimit; ++guard) {
        win::ComPtr<Item> item;
        if (FAILED(collection->Item(kept, item.put())) || !item)
            return CountItems<Item>(collection) == kept;
        switch (judge(item.get())) {
            case Verdict::Keep:
                ++kept;
                break;
            case Verdict::Remove:
                if (FAILED(collection->Remove(item.get())))
                    return false;
                break;
            case Verdict::Fail:
                return false;
        }
    }
    return false;
}

// Removes every item, from the front.
template <typename Item, typename Collection>
bool RemoveAllItems(Collection* collection) {
    ULONG kept = 0;
    return PruneItems<Item>(collection, [](Item*) { return Verdict::Remove; }, kept) && kept == 0;
}

// A zeroed block of `count` elements from the task allocator: what the
// contract asks of every buffer handed to the service.
template <typename T>
win::CoTaskMemPtr<T> TaskArray(size_t count) {
    const size_t bytes = sizeof(T) * (count > 0 ? count : 1);
    win::CoTaskMemPtr<T> block(static_cast<T*>(::CoTaskMemAlloc(bytes)));
    if (block)
        std::memset(static_cast<void*>(block.get()), 0, bytes);
    return block;
}

template <typename T>
win::CoTaskMemPtr<T> TaskCopy(const T* data, size_t count) {
    win::CoTaskMemPtr<T> block = TaskArray<T>(count);
    if (block && count > 0)
        std::memcpy(static_cast<void*>(block.get()), data, sizeof(T) * count);
    return block;
}

}  // namespace devlink
