// The resources of the built Korvane.exe, taken as the agent and the system take them:
// strings through LoadStringA, menu pictures through LoadImageA, tray pictures through
// LoadIconA, raw data through FindResourceExA in language 1041, the version block through
// the version API. The pictures themselves are checked where that is cheap.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/bench/bench.h"
#include "ui/res/resource.h"

namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
static_assert(kJapanese == 1041, "the resource language");

struct Rgb {
    BYTE r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
constexpr Rgb kDisc = {204, 255, 0};
constexpr Rgb kWhite = {255, 255, 255};
constexpr Rgb kBlack = {0, 0, 0};

bool IsGreen(Rgb c)
{
    return c.g > c.r + 40 && c.g > c.b + 40;
}
bool IsBlue(Rgb c)
{
    return c.b > c.r + 40 && c.b > c.g;
}

// The program file, loaded as data once for the whole suite.
HMODULE g_exe;

class Resources : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        g_exe = LoadLibraryExA(bench::AgentExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (g_exe)
            FreeLibrary(g_exe);
        g_exe = nullptr;
    }
    void SetUp() override { ASSERT_NE(nullptr, g_exe) << bench::AgentExe(); }
};

struct Blob {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Blob Resource(LPCSTR type, WORD id, WORD language = kJapanese)
{
    HRSRC found = FindResourceExA(g_exe, type, MAKEINTRESOURCEA(id), language);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(g_exe, found);
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(g_exe, found)};
}

#pragma pack(push, 2)
struct GroupHeader {
    WORD reserved, type, count;
};
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The one image of an icon group, read from its RT_ICON resource.
struct IconImage {
    int groupCount = 0;
    GroupEntry entry = {};
    BITMAPINFOHEADER header = {};
    int width = 0, height = 0;
    std::vector<Rgb> palette;
    const BYTE* xorBits = nullptr;
    const BYTE* andBits = nullptr;

    bool Transparent(int x, int y) const
    {
        const int stride = (width + 31) / 32 * 4;
        return (andBits[(height - 1 - y) * stride + x / 8] & (0x80 >> (x % 8))) != 0;
    }
    Rgb Pixel(int x, int y) const
    {
        const int bpp = header.biBitCount;
        const BYTE* row = xorBits + (height - 1 - y) * ((width * bpp + 31) / 32 * 4);
        const int index = bpp == 8 ? row[x] : (x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4);
        return palette[index];
    }
    int Count(bool (*test)(const IconImage&, int, int)) const
    {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                n += test(*this, x, y) ? 1 : 0;
        return n;
    }
};

// Empty (width 0) when the group or its image is missing or malformed.
IconImage ReadIcon(WORD groupId)
{
    IconImage icon;
    Blob group = Resource(RT_GROUP_ICON, groupId);
    if (group.size < sizeof(GroupHeader) + sizeof(GroupEntry))
        return icon;
    std::memcpy(&icon.entry, group.data + sizeof(GroupHeader), sizeof icon.entry);
    icon.groupCount = reinterpret_cast<const GroupHeader*>(group.data)->count;
    Blob image = Resource(RT_ICON, icon.entry.id);
    if (image.size < sizeof(BITMAPINFOHEADER))
        return icon;
    std::memcpy(&icon.header, image.data, sizeof icon.header);
    const BITMAPINFOHEADER& h = icon.header;
    if (h.biSize != sizeof h || h.biCompression != BI_RGB || h.biBitCount > 8)
        return icon;
    const int colours = h.biClrUsed ? static_cast<int>(h.biClrUsed) : 1 << h.biBitCount;
    const int width = h.biWidth, height = h.biHeight / 2;
    const size_t need = h.biSize + colours * 4 + height * ((width * h.biBitCount + 31) / 32 * 4) +
                        height * ((width + 31) / 32 * 4);
    if (need > image.size)
        return icon;
    const BYTE* p = image.data + h.biSize;
    for (int i = 0; i < colours; ++i, p += 4)
        icon.palette.push_back({p[2], p[1], p[0]});
    icon.xorBits = p;
    icon.andBits = p + height * ((width * h.biBitCount + 31) / 32 * 4);
    icon.width = width;
    icon.height = height;
    return icon;
}

struct IconForm {
    WORD id;
    int size, bpp;
    bool opaque;
};
constexpr std::array<IconForm, 10> kIcons = {{
    {IDI_AGENT, 32, 8, false},
    {IDI_TRAY_FRAME1, 16, 8, false},
    {IDI_TRAY_FRAME2, 16, 8, false},
    {IDI_TRAY_FRAME3, 16, 8, false},
    {IDI_TRAY_FRAME4, 16, 8, false},
    {IDI_COMPUTER_LOCK, 32, 8, true},
    {IDI_EXIT, 32, 8, true},
    {IDI_SETTING, 32, 4, false},
    {IDI_COMPUTER_LOCK_GRAY, 32, 8, true},
    {IDI_PADLOCK, 48, 8, false},
}};

TEST_F(Resources, EveryIconGroupHoldsOneImageOfItsSizeDepthAndMask)
{
    for (const IconForm& form : kIcons) {
        SCOPED_TRACE(form.id);
        IconImage icon = ReadIcon(form.id);
        ASSERT_EQ(form.size, icon.width);
        EXPECT_EQ(1, icon.groupCount);
        EXPECT_EQ(form.size, icon.height);
        EXPECT_EQ(form.size, icon.entry.width);
        EXPECT_EQ(form.size, icon.entry.height);
        EXPECT_EQ(form.bpp, icon.entry.bitCount);
        EXPECT_EQ(form.bpp, icon.header.biBitCount);
        EXPECT_EQ(1, icon.header.biPlanes);

        const int clear =
            icon.Count([](const IconImage& i, int x, int y) { return i.Transparent(x, y); });
        if (form.opaque) {
            EXPECT_EQ(0, clear);
            continue;
        }
        // A background, and under it an XOR colour of black, or the screen shows through
        // inverted instead of unchanged.
        EXPECT_GT(clear, form.size * form.size / 8);
        EXPECT_TRUE(icon.Transparent(0, 0));
        EXPECT_EQ(0, icon.Count([](const IconImage& i, int x, int y) {
            return i.Transparent(x, y) && !(i.Pixel(x, y) == kBlack);
        }));
        EXPECT_FALSE(icon.Transparent(form.size / 2, form.size / 2));
    }
}

TEST_F(Resources, TrayFramesCarryTheDiscClockwiseFromTheLowerRight)
{
    // Left and top edge of the quarter the disc must keep to, in animation order.
    const std::array<std::pair<WORD, POINT>, 4> frames = {{
        {IDI_TRAY_FRAME1, {8, 8}},
        {IDI_TRAY_FRAME2, {0, 8}},
        {IDI_TRAY_FRAME3, {0, 0}},
        {IDI_TRAY_FRAME4, {8, 0}},
    }};
    for (const auto& [id, quarter] : frames) {
        SCOPED_TRACE(id);
        EXPECT_NE(nullptr, LoadIconA(g_exe, MAKEINTRESOURCEA(id)));
        IconImage icon = ReadIcon(id);
        ASSERT_EQ(16, icon.width);
        RECT box = {16, 16, -1, -1};
        int inQuarter = 0, disc = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                if (icon.Transparent(x, y) || !(icon.Pixel(x, y) == kDisc))
                    continue;
                ++disc;
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
                if (x >= quarter.x && x < quarter.x + 8 && y >= quarter.y && y < quarter.y + 8)
                    ++inQuarter;
            }
        EXPECT_EQ(disc, inQuarter);
        EXPECT_EQ(6, box.right - box.left); // 7 x 7
        EXPECT_EQ(6, box.bottom - box.top);
        EXPECT_GE(disc, 7 * 7 - 12); // round: at most its corners cut
    }
}

TEST_F(Resources, PicturesShowWhatTheirRolesNeed)
{
    // The key on amber, white outside its rounded corners; the disabled key all in grays.
    IconImage key = ReadIcon(IDI_COMPUTER_LOCK);
    ASSERT_EQ(32, key.width);
    EXPECT_EQ(kWhite, key.Pixel(0, 0));
    EXPECT_EQ(kWhite, key.Pixel(31, 31));
    const Rgb amber = key.Pixel(30, 16);
    EXPECT_TRUE(amber.r > 200 && amber.g > 100 && amber.g < amber.r && amber.b < 80);
    EXPECT_GT(key.Count([](const IconImage& i, int x, int y) { return i.Pixel(x, y) == kWhite; }),
              60);

    IconImage gray = ReadIcon(IDI_COMPUTER_LOCK_GRAY);
    ASSERT_EQ(32, gray.width);
    EXPECT_EQ(0, gray.Count([](const IconImage& i, int x, int y) {
        const Rgb c = i.Pixel(x, y);
        return c.r != c.g || c.g != c.b;
    }));
    EXPECT_GE(gray.Pixel(0, 0).r, 235);
    EXPECT_LT(gray.Pixel(30, 16).r, 200);

    // The padlock stands free: transparent corners, gold in the middle.
    IconImage lock = ReadIcon(IDI_PADLOCK);
    ASSERT_EQ(48, lock.width);
    for (int corner : {0, 47})
        for (int other : {0, 47})
            EXPECT_TRUE(lock.Transparent(corner, other)) << corner << "," << other;
    const Rgb gold = lock.Pixel(12, 36);
    EXPECT_TRUE(gold.r > 180 && gold.g > 110 && gold.b < 90);

    // The exit sign: green ground, white door, green figure in it.
    IconImage exitSign = ReadIcon(IDI_EXIT);
    ASSERT_EQ(32, exitSign.width);
    EXPECT_TRUE(IsGreen(exitSign.Pixel(1, 16)));
    EXPECT_GT(exitSign.Count([](const IconImage& i, int x, int y) {
        return x > 8 && x < 26 && y > 3 && y < 28 && IsGreen(i.Pixel(x, y));
    }),
              40);
    EXPECT_GT(
        exitSign.Count([](const IconImage& i, int x, int y) { return i.Pixel(x, y) == kWhite; }),
        150);

    // The globe: blue and green, seen whole inside a transparent frame.
    IconImage globe = ReadIcon(IDI_AGENT);
    ASSERT_EQ(32, globe.width);
    EXPECT_GT(globe.Count([](const IconImage& i, int x, int y) {
        return !i.Transparent(x, y) && IsBlue(i.Pixel(x, y));
    }),
              100);
    EXPECT_GT(globe.Count([](const IconImage& i, int x, int y) {
        return !i.Transparent(x, y) && IsGreen(i.Pixel(x, y));
    }),
              60);
    EXPECT_TRUE(globe.Transparent(31, 0));
    EXPECT_TRUE(globe.Transparent(0, 31));
}

TEST_F(Resources, MenuPicturesLoadAt32AndIcon117IsAbsent)
{
    for (WORD id : {IDI_COMPUTER_LOCK, IDI_SETTING, IDI_AGENT, IDI_EXIT, IDI_COMPUTER_LOCK_GRAY}) {
        SCOPED_TRACE(id);
        HICON icon = static_cast<HICON>(
            LoadImageA(g_exe, MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, icon);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(32, mask.bmWidth);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
    // Asked for at start-up for the separator positions, and meant to give nothing.
    EXPECT_EQ(nullptr, LoadImageA(g_exe, MAKEINTRESOURCEA(IDI_SEPARATOR), IMAGE_ICON, 32, 32,
                                  LR_DEFAULTCOLOR));
    EXPECT_EQ(nullptr, FindResourceA(g_exe, MAKEINTRESOURCEA(IDI_SEPARATOR), RT_GROUP_ICON));
    EXPECT_EQ(nullptr, FindResourceA(g_exe, MAKEINTRESOURCEA(IDI_SEPARATOR), RT_ICON));
}

// type -> ids, and every language met on the way.
struct Census {
    std::map<std::string, std::set<WORD>> ids;
    std::set<WORD> languages;
    std::string type;
    WORD id = 0;
};

std::string TypeName(LPCSTR type)
{
    return IS_INTRESOURCE(type) ? std::to_string(reinterpret_cast<ULONG_PTR>(type)) : type;
}

BOOL CALLBACK OnLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<Census*>(param)->languages.insert(language);
    return TRUE;
}

BOOL CALLBACK OnName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    auto* census = reinterpret_cast<Census*>(param);
    // A named (not numbered) resource shows up as id 0, which none of ours has.
    census->ids[TypeName(type)].insert(
        IS_INTRESOURCE(name) ? static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)) : 0);
    EnumResourceLanguagesA(module, type, name, OnLanguage, param);
    return TRUE;
}

BOOL CALLBACK OnType(HMODULE module, LPSTR type, LONG_PTR param)
{
    EnumResourceNamesA(module, type, OnName, param);
    return TRUE;
}

TEST_F(Resources, NothingElseIsThereAndAllOfItIsJapanese)
{
    Census census;
    EnumResourceTypesA(g_exe, OnType, reinterpret_cast<LONG_PTR>(&census));
    EXPECT_EQ((std::set<WORD>{kJapanese}), census.languages);

    const std::set<std::string> known = {
        TypeName(RT_ICON),   TypeName(RT_GROUP_ICON), TypeName(RT_BITMAP),  TypeName(RT_STRING),
        TypeName(RT_DIALOG), TypeName(RT_VERSION),    TypeName(RT_MANIFEST)};
    for (const auto& [type, ids] : census.ids)
        EXPECT_EQ(1u, known.count(type)) << "unexpected resource type " << type;

    std::set<WORD> groups;
    for (const IconForm& form : kIcons)
        groups.insert(form.id);
    EXPECT_EQ(groups, census.ids[TypeName(RT_GROUP_ICON)]);
    // One image per group: as many images as groups.
    EXPECT_EQ(groups.size(), census.ids[TypeName(RT_ICON)].size());
    EXPECT_EQ((std::set<WORD>{IDB_BANNER, IDB_REBOOT}), census.ids[TypeName(RT_BITMAP)]);
    EXPECT_EQ((std::set<WORD>{1}), census.ids[TypeName(RT_STRING)]); // strings 0 to 15
    EXPECT_EQ((std::set<WORD>{1}), census.ids[TypeName(RT_VERSION)]);
    EXPECT_EQ((std::set<WORD>{1}), census.ids[TypeName(RT_MANIFEST)]);
    for (WORD dialog : census.ids[TypeName(RT_DIALOG)])
        EXPECT_TRUE(dialog == IDD_VERSION_INFO || dialog == IDD_SETTING || dialog == IDD_PASSCODE)
            << dialog;
}

// A 24-bit bitmap resource read in place; Pixel counts y from the top.
struct Bitmap24 {
    BITMAPINFOHEADER header = {};
    const BYTE* bits = nullptr;
    DWORD size = 0;

    Rgb Pixel(int x, int y) const
    {
        const int stride = (header.biWidth * 3 + 3) / 4 * 4;
        const BYTE* p = bits + (header.biHeight - 1 - y) * stride + x * 3;
        return {p[2], p[1], p[0]};
    }
};

Bitmap24 ReadBitmap(WORD id)
{
    Bitmap24 bitmap;
    Blob raw = Resource(RT_BITMAP, id);
    if (raw.size < sizeof bitmap.header)
        return bitmap;
    std::memcpy(&bitmap.header, raw.data, sizeof bitmap.header);
    bitmap.bits = raw.data + bitmap.header.biSize;
    bitmap.size = raw.size - bitmap.header.biSize;
    return bitmap;
}

TEST_F(Resources, BitmapsAreBottomUp24BitPictures)
{
    const std::array<std::array<int, 3>, 2> bitmaps = {
        {{IDB_BANNER, 180, 65}, {IDB_REBOOT, 36, 32}}};
    for (const auto& [id, width, height] : bitmaps) {
        SCOPED_TRACE(id);
        Bitmap24 raw = ReadBitmap(static_cast<WORD>(id));
        ASSERT_EQ(sizeof(BITMAPINFOHEADER), raw.header.biSize);
        EXPECT_EQ(width, raw.header.biWidth);
        EXPECT_EQ(height, raw.header.biHeight); // positive: bottom-up
        EXPECT_EQ(24, raw.header.biBitCount);
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), raw.header.biCompression);
        ASSERT_GE(raw.size, static_cast<DWORD>((width * 3 + 3) / 4 * 4 * height));

        // What the dialog manager does for a bitmap static.
        HBITMAP loaded = static_cast<HBITMAP>(
            LoadImageA(g_exe, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(nullptr, loaded);
        DIBSECTION dib = {};
        ASSERT_EQ(static_cast<int>(sizeof dib), GetObjectA(loaded, sizeof dib, &dib));
        EXPECT_EQ(width, dib.dsBm.bmWidth);
        EXPECT_EQ(height, dib.dsBm.bmHeight);
        EXPECT_EQ(24, dib.dsBm.bmBitsPixel);
        DeleteObject(loaded);
    }

    // Banner: white ground, the globe at the left with its cable through the bottom edge,
    // the black name to the right of it.
    Bitmap24 banner = ReadBitmap(IDB_BANNER);
    ASSERT_EQ(180, banner.header.biWidth);
    for (POINT p : {POINT{0, 0}, POINT{179, 0}, POINT{179, 64}, POINT{0, 64}, POINT{100, 2}})
        EXPECT_EQ(kWhite, banner.Pixel(p.x, p.y)) << p.x << "," << p.y;
    int cableAtBottom = 0, blackLeft = 0, blackRight = 0, blue = 0, green = 0;
    for (int x = 0; x < 180; ++x) {
        const Rgb c = banner.Pixel(x, 64);
        if (!(c == kWhite))
            cableAtBottom += x < 50 ? 1 : 1000;
        for (int y = 0; y < 65; ++y) {
            const Rgb p = banner.Pixel(x, y);
            if (p.r < 40 && p.g < 40 && p.b < 40)
                ++(x < 45 ? blackLeft : blackRight);
            if (x < 45) {
                blue += IsBlue(p) ? 1 : 0;
                green += IsGreen(p) ? 1 : 0;
            }
        }
    }
    EXPECT_GT(cableAtBottom, 0);
    EXPECT_LT(cableAtBottom, 1000);
    EXPECT_EQ(0, blackLeft);
    EXPECT_GT(blackRight, 800);
    EXPECT_GT(blue, 300);
    EXPECT_GT(green, 150);

    // Reboot: a one-pixel white frame, a green square, white rays round a green centre.
    Bitmap24 reboot = ReadBitmap(IDB_REBOOT);
    ASSERT_EQ(36, reboot.header.biWidth);
    int frame = 0;
    for (int x = 0; x < 36; ++x)
        frame += (reboot.Pixel(x, 0) == kWhite) + (reboot.Pixel(x, 31) == kWhite);
    for (int y = 0; y < 32; ++y)
        frame += (reboot.Pixel(0, y) == kWhite) + (reboot.Pixel(35, y) == kWhite);
    EXPECT_EQ(2 * 36 + 2 * 32, frame);
    EXPECT_TRUE(IsGreen(reboot.Pixel(18, 16)));
    EXPECT_TRUE(IsGreen(reboot.Pixel(4, 16)));
    for (POINT ray :
         {POINT{18, 8}, POINT{18, 24}, POINT{10, 16}, POINT{26, 16}, POINT{22, 11}, POINT{12, 21}})
        EXPECT_GE(reboot.Pixel(ray.x, ray.y).g, 230) << ray.x << "," << ray.y;
}

TEST_F(Resources, StringsArriveAsTheAgentLoadsThem)
{
    const std::array<std::pair<UINT, const char*>, 6> texts = {{
        {IDS_WINDOW_CLASS, "12"},
        {IDS_COMPUTER_LOCK, "Computer Lock"},
        {IDS_SETTING, "Setting"},
        {IDS_ABOUT, "About..."},
        {IDS_EXIT, "Exit"},
        {IDS_SEPARATOR, "-"},
    }};
    for (const auto& [id, text] : texts) {
        char buffer[100];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(static_cast<int>(std::strlen(text)), LoadStringA(g_exe, id, buffer, 100));
        EXPECT_STREQ(text, buffer);
    }
    // The block holds nothing else.
    for (UINT id : {0u, 2u, 4u, 5u, 6u, 7u, 8u, 9u, 11u}) {
        char buffer[100] = "untouched";
        EXPECT_EQ(0, LoadStringA(g_exe, id, buffer, 100)) << id;
    }

    const wchar_t title[] = L"Usb\u30B9\u30C8\u30EC\u30FC\u30B8\u3078\u306E\u30A2\u30AF\u30BB"
                            L"\u30B9\u72B6\u614B";
    wchar_t wide[100] = {};
    ASSERT_EQ(16, LoadStringW(g_exe, IDS_WINDOW_TITLE, wide, 100));
    EXPECT_EQ(0, std::wcscmp(title, wide));

    // What LoadStringA hands over on a Japanese system.
    const char sjis[] = "Usb\x83\x58\x83\x67\x83\x8C\x81\x5B\x83\x57\x82\xD6\x82\xCC\x83\x41"
                        "\x83\x4E\x83\x5A\x83\x58\x8F\xF3\x91\xD4";
    char converted[100] = {};
    ASSERT_EQ(30,
              WideCharToMultiByte(932, 0, wide, -1, converted, sizeof converted, nullptr, nullptr));
    EXPECT_STREQ(sjis, converted);

    char ansi[100] = {};
    const int n = LoadStringA(g_exe, IDS_WINDOW_TITLE, ansi, 100);
    if (GetACP() == 932) {
        EXPECT_EQ(29, n);
        EXPECT_STREQ(sjis, ansi);
    } else {
        // Elsewhere (this bench: code page 1252) the Japanese characters become the code
        // page's substitute; the title is never shown, so nothing depends on them.
        char expected[100] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, expected, sizeof expected, nullptr, nullptr);
        EXPECT_STREQ(expected, ansi);
        EXPECT_EQ(0, std::strncmp("Usb", ansi, 3));
    }
}

// The keys and offsets of the children of the version-block node at offset. A node is
// wLength, wValueLength, wType, a UTF-16 key, its value (text values count characters,
// binary ones bytes) and then its children, each part aligned to four bytes.
std::vector<std::pair<std::wstring, size_t>> VersionChildren(Blob block, size_t offset)
{
    std::vector<std::pair<std::wstring, size_t>> children;
    auto word = [&](size_t at) {
        WORD w = 0;
        if (at + 2 <= block.size)
            std::memcpy(&w, block.data + at, 2);
        return w;
    };
    auto align = [](size_t n) { return (n + 3) & ~size_t{3}; };
    auto skipKey = [&](size_t at) {
        while (at + 2 <= block.size && word(at))
            at += 2;
        return align(at + 2);
    };
    const size_t end = std::min<size_t>(offset + word(offset), block.size);
    const size_t value = word(offset + 2) * (word(offset + 4) == 1 ? 2 : 1);
    for (size_t p = align(skipKey(offset + 6) + value); p + 6 <= end && word(p) >= 6;
         p = align(p + word(p))) {
        std::wstring key;
        for (size_t k = p + 6; word(k); k += 2)
            key += static_cast<wchar_t>(word(k));
        children.emplace_back(key, p);
    }
    return children;
}

TEST_F(Resources, VersionBlockReadsAsTheSystemReadsIt)
{
    // The version API lives in version.dll, which the agent itself never imports.
    HMODULE api = LoadLibraryA("version.dll");
    ASSERT_NE(nullptr, api);
    auto sizeOf = reinterpret_cast<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(
        reinterpret_cast<void*>(GetProcAddress(api, "GetFileVersionInfoSizeA")));
    auto infoOf = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>(
        reinterpret_cast<void*>(GetProcAddress(api, "GetFileVersionInfoA")));
    auto query = reinterpret_cast<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT)>(
        reinterpret_cast<void*>(GetProcAddress(api, "VerQueryValueA")));
    ASSERT_TRUE(sizeOf && infoOf && query);

    const std::string exe = bench::AgentExe();
    DWORD handle = 0;
    const DWORD size = sizeOf(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(infoOf(exe.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(sizeof *fixed, length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000004u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x00000004u, fixed->dwProductVersionLS);
    EXPECT_EQ(0x37u, fixed->dwFileFlagsMask);
    EXPECT_EQ(static_cast<DWORD>(VS_FF_SPECIALBUILD), fixed->dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);
    EXPECT_EQ(0u, fixed->dwFileDateMS);
    EXPECT_EQ(0u, fixed->dwFileDateLS);

    WORD* translation = nullptr;
    ASSERT_TRUE(query(block.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length); // exactly one pair
    EXPECT_EQ(0x0411, translation[0]);
    EXPECT_EQ(1200, translation[1]);

    const std::array<std::pair<const char*, const char*>, 8> strings = {{
        {"CompanyName", "Tessmark, Inc."},
        {"FileDescription", "Korvane"},
        {"FileVersion", "1, 0, 0, 0"},
        {"InternalName", "Korvane"},
        {"LegalCopyright", nullptr},
        {"OriginalFilename", "Korvane"},
        {"ProductName", "Korvane"},
        {"ProductVersion", "1, 0, 0, 0"},
    }};
    for (const auto& [key, value] : strings) {
        char* text = nullptr;
        const std::string path = std::string("\\StringFileInfo\\041104b0\\") + key;
        ASSERT_TRUE(query(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length))
            << key;
        if (value) {
            EXPECT_STREQ(value, text) << key;
        } else {
            // A notice of the maker's: one short line.
            EXPECT_GT(std::strlen(text), 10u);
            EXPECT_LT(std::strlen(text), 40u);
            EXPECT_EQ(nullptr, std::strpbrk(text, "\r\n"));
        }
    }

    // One string table with the keys in this order, read from the resource itself.
    Blob raw = Resource(RT_VERSION, 1);
    ASSERT_GT(raw.size, 0u);
    auto top = VersionChildren(raw, 0);
    ASSERT_EQ(2u, top.size());
    EXPECT_EQ(L"StringFileInfo", top[0].first);
    EXPECT_EQ(L"VarFileInfo", top[1].first);
    auto tables = VersionChildren(raw, top[0].second);
    ASSERT_EQ(1u, tables.size());
    EXPECT_EQ(L"041104b0", tables[0].first);
    std::vector<std::wstring> keys, expected;
    for (const auto& entry : VersionChildren(raw, tables[0].second))
        keys.push_back(entry.first);
    for (const auto& entry : strings)
        expected.emplace_back(entry.first, entry.first + std::strlen(entry.first));
    EXPECT_EQ(expected, keys);
    FreeLibrary(api);
}

TEST_F(Resources, ManifestIsTheBare86Bytes)
{
    const char manifest[] = "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" "
                            "manifestVersion=\"1.0\">\r\n</assembly>";
    static_assert(sizeof manifest - 1 == 86, "the manifest's length");
    Blob raw = Resource(RT_MANIFEST, 1);
    ASSERT_EQ(86u, raw.size);
    EXPECT_EQ(0, std::memcmp(manifest, raw.data, 86));
}

// The names of the DLLs a program imports, from its image mapped but not run.
std::set<std::string> ImportedDlls(const std::string& path)
{
    std::set<std::string> names;
    HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!image)
        return names;
    // The handle carries a flag in its low bits.
    const BYTE* base =
        reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(image) & ~ULONG_PTR{3});
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY* dirs = nt->OptionalHeader.DataDirectory;
    EXPECT_EQ(0u, dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size);
    const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
        base + dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].Size && entry->Name; ++entry) {
        std::string dll = reinterpret_cast<const char*>(base + entry->Name);
        for (char& c : dll)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        names.insert(dll);
    }
    FreeLibrary(image);
    return names;
}

TEST_F(Resources, ProgramImportsOnlyTheSystemLibraries)
{
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll",
                                           "advapi32.dll", "ws2_32.dll", "msvcrt.dll"};
    const std::set<std::string> imported = ImportedDlls(bench::AgentExe());
    EXPECT_TRUE(imported.count("kernel32.dll"));
    for (const std::string& dll : imported)
        EXPECT_EQ(1u, allowed.count(dll)) << dll;
}

} // namespace
