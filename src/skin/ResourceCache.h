// The resource cache: every picture, bitmap, font file and language text file
// that skin and language files name is loaded once per (name, type), shared by
// every later request, and released together at exit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win/Handles.h"

// What a cached file is loaded as; the type also picks its folder.
enum ResourceType : int32_t {
    kResourcePicture = 0,     // skins\: BMP, JPEG, GIF, icon or metafile, as a bitmap
    kResourceDibSection = 1,  // skins\: BMP as a DIB section
    kResourceFontFile = 4,    // fonts\: added to the process's private font table
    kResourceRawBytes = 5,    // lang\: the whole file in memory
};

// One requested (name, type). A failed load leaves an entry without data; it
// is kept so that later requests do not touch the disk again.
class ResourceEntry {
public:
    ~ResourceEntry();  // deletes the bitmap, removes the fonts
    ResourceEntry(const ResourceEntry&) = delete;
    ResourceEntry& operator=(const ResourceEntry&) = delete;

    const std::wstring& Name() const { return m_name; }  // as first requested
    const std::wstring& Path() const { return m_path; }
    int32_t Type() const { return m_type; }
    // File length in bytes for DIB sections and font files; bytes read for
    // raw files; 0 for pictures.
    int32_t Size() const { return m_size; }
    bool HasData() const { return m_bitmap || m_fontCount > 0 || m_bytes != nullptr; }

    // Pictures and DIB sections; owned by the entry (do not delete).
    HBITMAP Bitmap() const { return m_bitmap.get(); }
    // Font files: how many fonts the file added.
    int FontCount() const { return m_fontCount; }
    // Raw files: Size() bytes, followed by two zero bytes that Size() does not
    // count, so that text readers always find a terminator.
    const uint8_t* Bytes() const { return m_bytes.get(); }

private:
    friend class CResourceCache;
    ResourceEntry(const wchar_t* name, int32_t type);
    void Load();
    void LoadPicture();
    void LoadDibSection();
    void LoadFontFile();
    void LoadRawBytes();

    std::wstring m_name;
    std::wstring m_path;
    int32_t m_type = 0;
    int32_t m_size = 0;
    win::UniqueBitmap m_bitmap;
    int m_fontCount = 0;
    std::unique_ptr<uint8_t[]> m_bytes;
};

class CResourceCache {
public:
    // Largest file read into memory (pictures, raw files); a skin picture or
    // language text is far smaller, anything bigger is refused.
    static constexpr int64_t kMaxFileSize = 64 * 1024 * 1024;

    // The process-wide cache; released when the process ends.
    static CResourceCache& Instance();

    CResourceCache() = default;  // a private cache (tests)
    ~CResourceCache() { ReleaseAll(); }
    CResourceCache(const CResourceCache&) = delete;
    CResourceCache& operator=(const CResourceCache&) = delete;

    // The entry of (name, type), names compared ignoring letter case; the
    // first request loads the file from the module directory. Never null: a
    // null or empty name or an unknown type gives a shared entry without data.
    // Entries stay valid until ReleaseAll.
    const ResourceEntry* Get(const wchar_t* name, int32_t type);
    // Size() of the first entry with that name, of any type; 0 when none.
    int32_t SizeOf(const wchar_t* name) const;
    // Releases every entry, last requested first, and empties the cache.
    void ReleaseAll();

    size_t Count() const { return m_entries.size(); }

private:
    std::vector<std::unique_ptr<ResourceEntry>> m_entries;
};
