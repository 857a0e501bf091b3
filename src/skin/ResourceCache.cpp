#include "skin/ResourceCache.h"

#include <ole2.h>
#include <olectl.h>

#include <new>
#include <utility>

#include "win/Gdi.h"
#include "win/Handles.h"
#include "win/ModuleDir.h"

namespace {

const wchar_t* FolderOf(int32_t type) {
    switch (type) {
        case kResourcePicture:
        case kResourceDibSection:
            return L"skins\\";
        case kResourceFontFile:
            return L"fonts\\";
        case kResourceRawBytes:
            return L"lang\\";
        default:
            return nullptr;
    }
}

bool SameIgnoringCase(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int64_t LengthOf(HANDLE file) {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? size.QuadPart : 0;
}

// 0 when the file cannot be opened.
int64_t FileLength(const std::wstring& path) {
    win::UniqueFile file(OpenForReading(path));
    return file ? LengthOf(file.get()) : 0;
}

// Reads up to length bytes; answers how many arrived.
size_t ReadUpTo(HANDLE file, uint8_t* buffer, size_t length) {
    size_t total = 0;
    while (total < length) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + total, static_cast<DWORD>(length - total), &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total;
}

uint32_t Read16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}
uint32_t Read32(const uint8_t* p) {
    return Read16(p) | (Read16(p + 2) << 16);
}

constexpr size_t kBmpHeadLength = 14 + 40;  // file header and the usual info header

// False for a BMP whose headers or pixel rows run past the end of the file: the
// picture loaders accept such files and read beyond the data. Anything that is
// not a BMP is left for the loader to judge.
bool BmpFitsItsFile(const uint8_t* head, size_t headLength, uint64_t fileLength) {
    if (headLength < 2 || head[0] != 'B' || head[1] != 'M')
        return true;
    if (headLength < 14 + 12)
        return false;
    uint64_t pixelsAt = Read32(head + 10);
    uint32_t infoLength = Read32(head + 14);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint64_t pixelBytes = 0;
    if (infoLength == 12) {  // the old core header
        width = Read16(head + 18);
        height = static_cast<int16_t>(Read16(head + 20));
        bitCount = Read16(head + 24);
    } else {
        if (headLength < kBmpHeadLength)
            return false;
        width = static_cast<int32_t>(Read32(head + 18));
        height = static_cast<int32_t>(Read32(head + 22));
        bitCount = Read16(head + 28);
        compression = Read32(head + 30);
        pixelBytes = Read32(head + 34);
    }
    if (pixelsAt > fileLength)
        return false;
    uint64_t room = fileLength - pixelsAt;
    if (compression != BI_RGB && compression != BI_BITFIELDS)
        return pixelBytes <= room;  // compressed: only the stated size is known
    uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    if (width <= 0 || rows == 0 || bitCount == 0)
        return true;  // malformed, not truncated: the loader refuses it
    uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    return stride <= room && rows <= room / stride;
}

// The skins' own pictures are plain BMPs: 24 or 32 bits, uncompressed, one
// info header. Those become a 32-bit DIB section straight from the bytes;
// the picture loader would first make a screen bitmap and then a copy of it,
// which costs about ten times as long per picture. Anything else (palettes,
// bit fields, other formats) answers nullptr and goes through the loader.
HBITMAP PlainBmpToSection(const uint8_t* bytes, size_t length) {
    if (length < kBmpHeadLength || bytes[0] != 'B' || bytes[1] != 'M')
        return nullptr;
    const uint64_t pixelsAt = Read32(bytes + 10);
    const uint32_t infoLength = Read32(bytes + 14);
    const int64_t width = static_cast<int32_t>(Read32(bytes + 18));
    const int64_t height = static_cast<int32_t>(Read32(bytes + 22));
    const uint32_t planes = Read16(bytes + 26);
    const uint32_t bitCount = Read16(bytes + 28);
    const uint32_t compression = Read32(bytes + 30);
    if (infoLength < 40 || planes != 1 || compression != BI_RGB || (bitCount != 24 && bitCount != 32))
        return nullptr;
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows == 0 || width > 32767 || rows > 32767)
        return nullptr;
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    if (pixelsAt > length || stride * static_cast<uint64_t>(rows) > length - pixelsAt)
        return nullptr;
    uint32_t* target = nullptr;
    win::UniqueBitmap section(win::CreateBitmap32(static_cast<int>(width), static_cast<int>(rows), &target));
    if (!section || target == nullptr)
        return nullptr;
    for (int64_t y = 0; y < rows; ++y) {
        // A positive height stores the bottom row first; the section is top-down.
        const int64_t fileRow = height > 0 ? rows - 1 - y : y;
        const uint8_t* from = bytes + pixelsAt + static_cast<uint64_t>(fileRow) * stride;
        uint32_t* to = target + static_cast<uint64_t>(y) * static_cast<uint64_t>(width);
        if (bitCount == 32) {
            for (int64_t x = 0; x < width; ++x, from += 4)
                to[x] = Read32(from) & 0xFFFFFF;
        } else {
            for (int64_t x = 0; x < width; ++x, from += 3)
                to[x] = from[0] | (from[1] << 8) | (from[2] << 16);
        }
    }
    GdiFlush();
    return section.release();
}

template <typename T>
void ReleaseCom(T*& p) {
    if (p != nullptr)
        p->Release();
    p = nullptr;
}

// Draws a picture that is not a bitmap (icon, metafile) into a new bitmap of
// its own size, so every picture entry holds a real HBITMAP.
HBITMAP RenderToBitmap(IPicture* picture) {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (FAILED(picture->get_Width(&width)) || FAILED(picture->get_Height(&height)) || width <= 0 ||
        height <= 0)
        return nullptr;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return nullptr;
    // HIMETRIC is 1/100 mm: 2540 per inch.
    int cx = MulDiv(width, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    int cy = MulDiv(height, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    win::UniqueBitmap bitmap;
    HDC dc = CreateCompatibleDC(screen);
    if (cx > 0 && cy > 0 && dc != nullptr)
        bitmap.reset(win::CreateBitmap32(cx, cy));
    if (bitmap) {
        HRESULT hr;
        {
            win::SelectGuard select(dc, bitmap.get());
            hr = picture->Render(dc, 0, 0, cx, cy, 0, height, width, -height, nullptr);
        }
        if (FAILED(hr))
            bitmap.reset();  // only once deselected, or the delete would fail
    }
    if (dc != nullptr)
        DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap.release();
}

}  // namespace

ResourceEntry::ResourceEntry(const wchar_t* name, int32_t type) : m_name(name), m_type(type) {}

ResourceEntry::~ResourceEntry() {
    if (m_fontCount > 0)
        RemoveFontResourceExW(m_path.c_str(), FR_PRIVATE, nullptr);
}

void ResourceEntry::Load() {
    const wchar_t* folder = FolderOf(m_type);
    if (folder == nullptr)
        return;
    m_path = app::ModuleDirectory() + folder + m_name;
    switch (m_type) {
        case kResourcePicture:
            LoadPicture();
            break;
        case kResourceDibSection:
            LoadDibSection();
            break;
        case kResourceFontFile:
            LoadFontFile();
            break;
        case kResourceRawBytes:
            LoadRawBytes();
            break;
        default:
            break;
    }
}

void ResourceEntry::LoadPicture() {
    win::UniqueFile file(OpenForReading(m_path));
    if (!file)
        return;
    int64_t length = LengthOf(file.get());
    if (length <= 0 || length > CResourceCache::kMaxFileSize)
        return;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(length));
    if (block == nullptr)
        return;
    void* bytes = GlobalLock(block);
    size_t got = bytes != nullptr
                     ? ReadUpTo(file.get(), static_cast<uint8_t*>(bytes), static_cast<size_t>(length))
                     : 0;
    bool whole = got == static_cast<size_t>(length) &&
                 BmpFitsItsFile(static_cast<const uint8_t*>(bytes), got, static_cast<uint64_t>(length));
    if (whole)
        m_bitmap.reset(PlainBmpToSection(static_cast<const uint8_t*>(bytes), got));
    if (bytes != nullptr)
        GlobalUnlock(block);
    if (m_bitmap) {
        GlobalFree(block);
        return;
    }
    IStream* stream = nullptr;
    if (!whole || FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return;
    }
    // From here the stream owns the block.
    IPicture* picture = nullptr;
    HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(length), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&picture));
    ReleaseCom(stream);
    if (FAILED(hr) || picture == nullptr)
        return;

    // The picture owns its handle and deletes it when released: keep a copy.
    SHORT kind = PICTYPE_UNINITIALIZED;
    OLE_HANDLE handle = 0;
    if (SUCCEEDED(picture->get_Type(&kind)) && kind == PICTYPE_BITMAP) {
        if (SUCCEEDED(picture->get_Handle(&handle)) && handle != 0) {
            HBITMAP original = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
            // A DIB section: cheap to select wherever the picture is drawn.
            m_bitmap.reset(
                static_cast<HBITMAP>(CopyImage(original, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        }
    } else if (kind != PICTYPE_UNINITIALIZED && kind != PICTYPE_NONE) {
        m_bitmap.reset(RenderToBitmap(picture));
    }
    ReleaseCom(picture);
}

void ResourceEntry::LoadDibSection() {
    {
        win::UniqueFile file(OpenForReading(m_path));
        if (!file)
            return;
        int64_t length = LengthOf(file.get());
        if (length <= 0)
            return;
        m_size = static_cast<int32_t>(length > INT32_MAX ? INT32_MAX : length);
        uint8_t head[kBmpHeadLength] = {};
        size_t got = ReadUpTo(file.get(), head, sizeof head);
        if (!BmpFitsItsFile(head, got, static_cast<uint64_t>(length)))
            return;
    }  // closed before the system opens it again
    m_bitmap.reset(static_cast<HBITMAP>(
        LoadImageW(nullptr, m_path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
}

void ResourceEntry::LoadFontFile() {
    int64_t length = FileLength(m_path);
    if (length <= 0)
        return;
    m_size = static_cast<int32_t>(length > INT32_MAX ? INT32_MAX : length);
    int added = AddFontResourceExW(m_path.c_str(), FR_PRIVATE, nullptr);
    if (added > 0)
        m_fontCount = added;
}

void ResourceEntry::LoadRawBytes() {
    win::UniqueFile file(OpenForReading(m_path));
    if (!file)
        return;
    int64_t length = LengthOf(file.get());
    if (length <= 0 || length > CResourceCache::kMaxFileSize)
        return;
    // Zeroed, with two spare zero bytes as a terminator for text readers.
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(length) + 2]());
    if (buffer == nullptr)
        return;
    size_t got = ReadUpTo(file.get(), buffer.get(), static_cast<size_t>(length));
    if (got == 0)
        return;
    m_size = static_cast<int32_t>(got);
    m_bytes = std::move(buffer);
}

CResourceCache& CResourceCache::Instance() {
    static CResourceCache cache;
    return cache;
}

const ResourceEntry* CResourceCache::Get(const wchar_t* name, int32_t type) {
    static const ResourceEntry kNone(L"", -1);
    if (name == nullptr || *name == L'\0' || FolderOf(type) == nullptr)
        return &kNone;
    for (const auto& entry : m_entries) {
        if (entry->m_type == type && SameIgnoringCase(entry->m_name, name))
            return entry.get();
    }
    std::unique_ptr<ResourceEntry> entry(new ResourceEntry(name, type));
    entry->Load();
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

int32_t CResourceCache::SizeOf(const wchar_t* name) const {
    if (name == nullptr)
        return 0;
    for (const auto& entry : m_entries) {
        if (SameIgnoringCase(entry->m_name, name))
            return entry->m_size;
    }
    return 0;
}

void CResourceCache::ReleaseAll() {
    while (!m_entries.empty())
        m_entries.pop_back();
}
