#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "skin/ResourceCache.h"
#include "win/ModuleDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 2x2 24-bit BMP: top row red, green; bottom row blue, white.
// The file header and BITMAPINFOHEADER of an uncompressed BMP whose pixel
// rows take `bitsSize` bytes; a negative height stores the top row first.
Bytes BmpHeaders(int32_t width, int32_t height, uint16_t bits, uint32_t bitsSize) {
    Bytes b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, 14 + 40 + bitsSize);
    Put32(b, 0);
    Put32(b, 14 + 40);
    Put32(b, 40);  // BITMAPINFOHEADER
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, BI_RGB);
    Put32(b, bitsSize);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    return b;
}

Bytes TinyBmp() {
    const uint32_t rowBytes = 8;  // 6 bytes of pixels padded to 4
    Bytes b = BmpHeaders(2, 2, 24, rowBytes * 2);  // bottom-up
    const uint8_t bottom[] = {255, 0, 0, 255, 255, 255, 0, 0};  // blue, white (BGR)
    const uint8_t top[] = {0, 0, 255, 0, 255, 0, 0, 0};         // red, green
    b.insert(b.end(), bottom, bottom + sizeof bottom);
    b.insert(b.end(), top, top + sizeof top);
    return b;
}

// A 3x2 BMP of the given depth (24 or 32) stored top-down or bottom-up:
// top row red, green, blue; bottom row white, black, grey (0x80).
Bytes SmallBmp(uint16_t bits, bool topDown) {
    const uint32_t rowBytes = (3 * bits / 8 + 3) / 4 * 4;
    Bytes b = BmpHeaders(3, topDown ? -2 : 2, bits, rowBytes * 2);
    auto row = [&](std::initializer_list<uint32_t> rgbs) {
        size_t start = b.size();
        for (uint32_t rgb : rgbs) {
            b.push_back(static_cast<uint8_t>(rgb));
            b.push_back(static_cast<uint8_t>(rgb >> 8));
            b.push_back(static_cast<uint8_t>(rgb >> 16));
            if (bits == 32)
                b.push_back(0xFF);  // an alpha byte the picture ignores
        }
        while (b.size() - start < rowBytes)
            b.push_back(0);
    };
    const auto top = {0xFF0000u, 0x00FF00u, 0x0000FFu};
    const auto bottom = {0xFFFFFFu, 0x000000u, 0x808080u};
    if (topDown) {
        row(top);
        row(bottom);
    } else {
        row(bottom);
        row(top);
    }
    return b;
}

// A 2x1 GIF: a red pixel, then a blue one.
Bytes TinyGif() {
    const uint8_t gif[] = {'G',  'I', 'F',  '8',  '9', 'a',  2, 0, 1, 0,
                           0x80, 0,   0,                                  // screen, 2-colour table
                           0xFF, 0,   0,    0,    0,   0xFF,              // red, blue
                           ',',  0,   0,    0,    0,   2,    0, 1, 0, 0,  // image 2x1
                           2,    2,   0x44, 0x0A, 0,   ';'};              // LZW: clear, 0, 1, end
    return Bytes(gif, gif + sizeof gif);
}

// A 2x2 24-bit icon, every pixel green and opaque.
Bytes TinyIcon() {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);  // icon
    Put16(b, 1);  // one image
    const uint32_t imageSize = 40 + 2 * 8 + 2 * 4;
    b.push_back(2);
    b.push_back(2);
    b.push_back(0);
    b.push_back(0);
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, imageSize);
    Put32(b, 6 + 16);
    Put32(b, 40);
    Put32(b, 2);
    Put32(b, 4);  // colour and mask halves
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, BI_RGB);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    for (int row = 0; row < 2; ++row) {
        const uint8_t pixels[] = {0, 255, 0, 0, 255, 0, 0, 0};
        b.insert(b.end(), pixels, pixels + sizeof pixels);
    }
    for (int row = 0; row < 2; ++row)
        Put32(b, 0);  // mask: opaque
    return b;
}

// The bytes of the TrueType face the system picks for a plain request, with
// every ASCII and UTF-16BE copy of its family name replaced by a made-up name
// of the same length.
Bytes RenamedSystemFace(std::wstring& family) {
    Bytes face;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT system =
        CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial");
    HGDIOBJ old = SelectObject(dc, system);
    wchar_t name[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, name);
    DWORD length = GetFontData(dc, 0, 0, nullptr, 0);
    if (length != GDI_ERROR && length > 0) {
        face.resize(length);
        if (GetFontData(dc, 0, 0, face.data(), length) != length)
            face.clear();
    }
    SelectObject(dc, old);
    DeleteObject(system);
    DeleteDC(dc);

    const size_t n = wcslen(name);
    family.clear();
    for (size_t k = 0; k < n; ++k)
        family += static_cast<wchar_t>(k == 0 ? L'Q' : L'a' + (k * 7 + 3) % 26);
    int replaced = 0;
    for (size_t i = 0; n > 0 && i + 2 * n <= face.size(); ++i) {
        bool ascii = true;
        bool wide = true;
        for (size_t k = 0; k < n; ++k) {
            ascii = ascii && face[i + k] == name[k];
            wide = wide && face[i + 2 * k] == 0 && face[i + 2 * k + 1] == name[k];
        }
        for (size_t k = 0; k < n && (ascii || wide); ++k)
            face[ascii ? i + k : i + 2 * k + 1] = static_cast<uint8_t>(family[k]);
        replaced += ascii || wide;
    }
    if (replaced == 0)
        face.clear();
    return face;
}

int CALLBACK CountFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return 1;
}

int FamilyCount(const std::wstring& family) {
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, family.c_str(), LF_FACESIZE - 1);
    int count = 0;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &wanted, CountFamily, reinterpret_cast<LPARAM>(&count), 0);
    ReleaseDC(nullptr, dc);
    return count;
}

class ResourceCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldModuleDir = app::ModuleDirectory();
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        m_dir = std::wstring(temp) + L"tarn_cache_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(GetTickCount64()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(m_dir.c_str(), nullptr));
        for (const wchar_t* sub : {L"skins", L"fonts", L"lang"})
            ASSERT_TRUE(CreateDirectoryW((m_dir + sub).c_str(), nullptr));
        app::SetModuleDirectory(m_dir);
    }

    void TearDown() override {
        m_cache.ReleaseAll();  // fonts must be let go before their files can go
        app::SetModuleDirectory(m_oldModuleDir);
        for (const wchar_t* sub : {L"skins\\", L"fonts\\", L"lang\\"}) {
            std::wstring folder = m_dir + sub;
            WIN32_FIND_DATAW found;
            HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    DeleteFileW((folder + found.cFileName).c_str());
                } while (FindNextFileW(find, &found));
                FindClose(find);
            }
            RemoveDirectoryW(folder.c_str());
        }
        RemoveDirectoryW(m_dir.c_str());
    }

    std::wstring PathOf(const wchar_t* sub, const wchar_t* name) const { return m_dir + sub + L"\\" + name; }

    void Write(const wchar_t* sub, const wchar_t* name, const Bytes& bytes) const {
        HANDLE file = CreateFileW(PathOf(sub, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        BOOL ok = bytes.empty() ||
                  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_TRUE(ok);
    }

    static SIZE SizeOfBitmap(HBITMAP bitmap) {
        BITMAP info = {};
        if (GetObjectW(bitmap, sizeof info, &info) == 0)
            return SIZE{0, 0};
        return SIZE{info.bmWidth, info.bmHeight};
    }

    static COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        COLORREF colour = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return colour;
    }

    std::wstring m_oldModuleDir;
    std::wstring m_dir;
    CResourceCache m_cache;
};

TEST_F(ResourceCacheTest, PicturesBecomeBitmapsWithTheirPixels) {
    Write(L"skins", L"Tiny.bmp", TinyBmp());
    Write(L"skins", L"tiny.gif", TinyGif());

    const ResourceEntry* bmp = m_cache.Get(L"Tiny.bmp", kResourcePicture);
    ASSERT_TRUE(bmp->HasData());
    EXPECT_EQ(bmp->Path(), m_dir + L"skins\\Tiny.bmp");
    EXPECT_EQ(bmp->Type(), kResourcePicture);
    SIZE size = SizeOfBitmap(bmp->Bitmap());
    EXPECT_EQ(size.cx, 2);
    EXPECT_EQ(size.cy, 2);
    EXPECT_EQ(PixelOf(bmp->Bitmap(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(bmp->Bitmap(), 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(bmp->Bitmap(), 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(bmp->Bitmap(), 1, 1), RGB(255, 255, 255));

    // Both depths, both row orders, rows with padding.
    for (uint16_t bits : {uint16_t(24), uint16_t(32)}) {
        for (bool topDown : {false, true}) {
            const std::wstring name =
                L"small" + std::to_wstring(bits) + (topDown ? L"-down" : L"-up") + L".bmp";
            Write(L"skins", name.c_str(), SmallBmp(bits, topDown));
            const ResourceEntry* small = m_cache.Get(name.c_str(), kResourcePicture);
            ASSERT_TRUE(small->HasData()) << bits << " bits, top-down " << topDown;
            EXPECT_EQ(SizeOfBitmap(small->Bitmap()).cx, 3);
            EXPECT_EQ(SizeOfBitmap(small->Bitmap()).cy, 2);
            const COLORREF expected[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                             {RGB(255, 255, 255), RGB(0, 0, 0), RGB(128, 128, 128)}};
            for (int y = 0; y < 2; ++y) {
                for (int x = 0; x < 3; ++x)
                    EXPECT_EQ(PixelOf(small->Bitmap(), x, y), expected[y][x])
                        << bits << " bits, top-down " << topDown << " at " << x << "," << y;
            }
        }
    }

    const ResourceEntry* gif = m_cache.Get(L"tiny.gif", kResourcePicture);
    ASSERT_TRUE(gif->HasData());
    size = SizeOfBitmap(gif->Bitmap());
    EXPECT_EQ(size.cx, 2);
    EXPECT_EQ(size.cy, 1);
    EXPECT_EQ(PixelOf(gif->Bitmap(), 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(gif->Bitmap(), 1, 0), RGB(0, 0, 255));
}

TEST_F(ResourceCacheTest, IconPictureIsDrawnIntoABitmap) {
    Write(L"skins", L"tiny.ico", TinyIcon());
    const ResourceEntry* icon = m_cache.Get(L"tiny.ico", kResourcePicture);
    ASSERT_TRUE(icon->HasData());
    EXPECT_EQ(GetObjectType(icon->Bitmap()), static_cast<DWORD>(OBJ_BITMAP));
    SIZE size = SizeOfBitmap(icon->Bitmap());
    EXPECT_EQ(size.cx, 2);
    EXPECT_EQ(size.cy, 2);
    EXPECT_EQ(PixelOf(icon->Bitmap(), 1, 1), RGB(0, 255, 0));
}

TEST_F(ResourceCacheTest, BrokenPicturesGiveEntriesWithoutData) {
    Bytes truncated = TinyBmp();
    truncated.resize(14 + 40 + 4);  // header promises 16 bytes of pixels
    Write(L"skins", L"empty.bmp", {});
    Write(L"skins", L"text.bmp", Bytes{'h', 'e', 'l', 'l', 'o', '\r', '\n'});
    Write(L"skins", L"cut.bmp", truncated);

    for (const wchar_t* name : {L"missing.bmp", L"empty.bmp", L"text.bmp", L"cut.bmp"}) {
        const ResourceEntry* entry = m_cache.Get(name, kResourcePicture);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_FALSE(entry->HasData()) << name;
        EXPECT_EQ(entry->Bitmap(), nullptr) << name;
        EXPECT_EQ(entry->Name(), name);
    }
    EXPECT_FALSE(m_cache.Get(L"missing.bmp", kResourceDibSection)->HasData());
    EXPECT_FALSE(m_cache.Get(L"text.bmp", kResourceDibSection)->HasData());
    EXPECT_FALSE(m_cache.Get(L"cut.bmp", kResourceDibSection)->HasData());
    EXPECT_EQ(m_cache.Count(), 7u);  // failures are remembered too
}

TEST_F(ResourceCacheTest, NameIsMatchedIgnoringCaseAndLoadedOnce) {
    Write(L"skins", L"Tiny.bmp", TinyBmp());
    const ResourceEntry* first = m_cache.Get(L"Tiny.Bmp", kResourcePicture);
    ASSERT_TRUE(first->HasData());
    HBITMAP bitmap = first->Bitmap();
    ASSERT_TRUE(DeleteFileW(PathOf(L"skins", L"Tiny.bmp").c_str()));

    const ResourceEntry* again = m_cache.Get(L"TINY.BMP", kResourcePicture);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->Bitmap(), bitmap);
    EXPECT_EQ(again->Name(), L"Tiny.Bmp");
    EXPECT_EQ(m_cache.Count(), 1u);
}

TEST_F(ResourceCacheTest, EachTypeHasItsOwnEntry) {
    const Bytes bmp = TinyBmp();
    Write(L"skins", L"tiny.bmp", bmp);

    const ResourceEntry* dib = m_cache.Get(L"tiny.bmp", kResourceDibSection);
    const ResourceEntry* picture = m_cache.Get(L"TINY.bmp", kResourcePicture);
    ASSERT_NE(dib, picture);
    EXPECT_EQ(m_cache.Count(), 2u);
    ASSERT_TRUE(dib->HasData());
    ASSERT_TRUE(picture->HasData());
    EXPECT_NE(dib->Bitmap(), picture->Bitmap());

    DIBSECTION section = {};
    EXPECT_EQ(GetObjectW(dib->Bitmap(), sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 2);
    EXPECT_EQ(dib->Size(), static_cast<int32_t>(bmp.size()));

    // The size of a name comes from its first entry, whatever its type.
    EXPECT_EQ(m_cache.SizeOf(L"Tiny.BMP"), static_cast<int32_t>(bmp.size()));
    EXPECT_EQ(m_cache.SizeOf(L"other.bmp"), 0);
    EXPECT_EQ(m_cache.SizeOf(nullptr), 0);
}

TEST_F(ResourceCacheTest, RawFilesAreReadWholeAndFailuresAreRemembered) {
    const Bytes text = {0xFF, 0xFE, 'H', 0, 'i', 0, '\r', 0, '\n', 0, 0x1A, 0};
    Write(L"lang", L"English.txt", text);
    Write(L"lang", L"Empty.txt", {});

    const ResourceEntry* entry = m_cache.Get(L"english.TXT", kResourceRawBytes);
    ASSERT_TRUE(entry->HasData());
    ASSERT_EQ(entry->Size(), static_cast<int32_t>(text.size()));
    EXPECT_EQ(std::memcmp(entry->Bytes(), text.data(), text.size()), 0);  // no text translation
    EXPECT_EQ(entry->Bytes()[text.size()], 0);                            // terminator beyond the data
    EXPECT_EQ(entry->Bytes()[text.size() + 1], 0);
    EXPECT_EQ(entry->Path(), m_dir + L"lang\\english.TXT");

    const ResourceEntry* empty = m_cache.Get(L"Empty.txt", kResourceRawBytes);
    EXPECT_FALSE(empty->HasData());
    EXPECT_EQ(empty->Bytes(), nullptr);
    EXPECT_EQ(empty->Size(), 0);

    const ResourceEntry* missing = m_cache.Get(L"German.txt", kResourceRawBytes);
    EXPECT_FALSE(missing->HasData());
    // The file turning up later does not matter: the miss is not retried.
    Write(L"lang", L"German.txt", text);
    EXPECT_EQ(m_cache.Get(L"GERMAN.txt", kResourceRawBytes), missing);
    EXPECT_FALSE(missing->HasData());
    EXPECT_EQ(m_cache.Count(), 3u);
}

TEST_F(ResourceCacheTest, OversizedRawFileIsRefused) {
    HANDLE file = CreateFileW(PathOf(L"lang", L"huge.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = CResourceCache::kMaxFileSize + 1;
    BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(ok);
    EXPECT_FALSE(m_cache.Get(L"huge.txt", kResourceRawBytes)->HasData());
}

TEST_F(ResourceCacheTest, FontFilesAreAddedAndRemovedAgain) {
    Write(L"fonts", L"broken.ttf", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
    const ResourceEntry* broken = m_cache.Get(L"broken.ttf", kResourceFontFile);
    EXPECT_FALSE(broken->HasData());
    EXPECT_EQ(broken->Size(), 10);

    // A real font file under a family name of its own, so that it can be
    // told apart from the face it was copied from.
    std::wstring family;
    Bytes face = RenamedSystemFace(family);
    if (face.empty())
        GTEST_SKIP() << "no TrueType face to copy";
    Write(L"fonts", L"Face.ttf", face);
    ASSERT_EQ(FamilyCount(family), 0);

    const ResourceEntry* font = m_cache.Get(L"Face.ttf", kResourceFontFile);
    ASSERT_TRUE(font->HasData());
    EXPECT_GE(font->FontCount(), 1);
    EXPECT_EQ(font->Size(), static_cast<int32_t>(face.size()));
    EXPECT_GT(FamilyCount(family), 0);

    m_cache.ReleaseAll();
    EXPECT_EQ(m_cache.Count(), 0u);
    EXPECT_EQ(FamilyCount(family), 0);
}

TEST_F(ResourceCacheTest, ReleaseAllDeletesBitmapsAndEmpties) {
    Write(L"skins", L"tiny.bmp", TinyBmp());
    HBITMAP picture = m_cache.Get(L"tiny.bmp", kResourcePicture)->Bitmap();
    HBITMAP dib = m_cache.Get(L"tiny.bmp", kResourceDibSection)->Bitmap();
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(dib, nullptr);

    m_cache.ReleaseAll();
    EXPECT_EQ(m_cache.Count(), 0u);
    EXPECT_EQ(GetObjectType(picture), 0u);
    EXPECT_EQ(GetObjectType(dib), 0u);

    // Usable again afterwards: the next request loads afresh.
    EXPECT_TRUE(m_cache.Get(L"tiny.bmp", kResourcePicture)->HasData());
    EXPECT_EQ(m_cache.Count(), 1u);
}

TEST_F(ResourceCacheTest, BadRequestsGetAnEmptyEntryAndAreNotKept) {
    Write(L"skins", L"tiny.bmp", TinyBmp());
    for (const ResourceEntry* entry :
         {m_cache.Get(nullptr, kResourcePicture), m_cache.Get(L"", kResourceRawBytes),
          m_cache.Get(L"tiny.bmp", 2), m_cache.Get(L"tiny.bmp", -1)}) {
        ASSERT_NE(entry, nullptr);
        EXPECT_FALSE(entry->HasData());
    }
    EXPECT_EQ(m_cache.Count(), 0u);
    EXPECT_EQ(&CResourceCache::Instance(), &CResourceCache::Instance());
}

}  // namespace
