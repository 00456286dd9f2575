// The resources of the built Korvane.exe, taken as the agent and the system take them:
// strings through LoadStringA, pictures through LoadImageA and LoadIconA, raw data through
// FindResourceExA in language 1041. The pictures themselves are checked at telling pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/bench/bench.h"
#include "ui/res/resource.h"

namespace {

constexpr WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// The program file mapped as an image, not run; the handle carries a flag in its low bits.
const HMODULE g_exe =
    LoadLibraryExA(bench::AgentExe().c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
const BYTE* const g_base =
    reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(g_exe) & ~ULONG_PTR{3});

// Without it every lookup would quietly search the test program's own copies.
class Resources : public ::testing::Test {
    void SetUp() override { ASSERT_NE(nullptr, g_exe) << bench::AgentExe(); }
};

const IMAGE_DATA_DIRECTORY& Directory(int entry)
{
    const LONG nt = reinterpret_cast<const IMAGE_DOS_HEADER*>(g_base)->e_lfanew;
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(g_base + nt)
        ->OptionalHeader.DataDirectory[entry];
}

struct Blob {
    const BYTE* data = nullptr;
    DWORD size = 0;
};

Blob Resource(LPCSTR type, WORD id)
{
    HRSRC found = FindResourceExA(g_exe, type, MAKEINTRESOURCEA(id), kJapanese);
    return {static_cast<const BYTE*>(LockResource(LoadResource(g_exe, found))),
            SizeofResource(g_exe, found)};
}

using Rgb = std::array<int, 3>;

// A device-independent bitmap read in place: a bitmap resource, or an icon image, whose
// transparency mask follows its colours. y counts from the top.
struct Dib {
    int width = 0, height = 0, bpp = 0;
    std::vector<Rgb> palette;
    const BYTE *bits = nullptr, *mask = nullptr;

    static int Stride(int width, int bpp) { return (width * bpp + 31) / 32 * 4; }
    bool Clear(int x, int y) const
    {
        return mask[(height - 1 - y) * Stride(width, 1) + x / 8] & (0x80 >> x % 8);
    }
    Rgb At(int x, int y) const
    {
        const BYTE* row = bits + (height - 1 - y) * Stride(width, bpp);
        if (bpp == 24)
            return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        return palette[bpp == 8 ? row[x] : x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4];
    }
};

// Empty (width 0) unless an uncompressed bottom-up bitmap.
Dib ReadDib(Blob raw, bool icon)
{
    Dib d;
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(raw.data);
    if (raw.size < sizeof *h || h->biSize != sizeof *h || h->biCompression != BI_RGB ||
        h->biHeight <= 0)
        return d;
    d.width = h->biWidth, d.height = h->biHeight / (icon ? 2 : 1), d.bpp = h->biBitCount;
    const BYTE* p = raw.data + sizeof *h;
    const int colours = d.bpp > 8 ? 0 : h->biClrUsed ? static_cast<int>(h->biClrUsed) : 1 << d.bpp;
    for (int i = 0; i < colours; ++i, p += 4)
        d.palette.push_back({p[2], p[1], p[0]});
    d.bits = p;
    d.mask = icon ? p + d.height * Dib::Stride(d.width, d.bpp) : nullptr;
    return d;
}

// The one image of an icon group, or else the bitmap of that number. Empty when the group
// holds more than one image or says something else of it than the image does.
Dib ReadPicture(WORD id)
{
    Blob group = Resource(RT_GROUP_ICON, id);
    if (group.size < 6 + 14) // header, one GRPICONDIRENTRY
        return ReadDib(Resource(RT_BITMAP, id), false);
    const BYTE* entry = group.data + 6;
    auto word = [](const BYTE* p) { return p[0] | p[1] << 8; };
    Dib d = ReadDib(Resource(RT_ICON, word(entry + 12)), true);
    const bool agrees = entry[0] == d.width && entry[1] == d.height && word(entry + 6) == d.bpp;
    return word(group.data + 4) == 1 && agrees ? d : Dib{};
}

// What a pixel looks like: transparent, or the nearest of a few named colours.
enum Look { Clear, White, Black, Gray, Blue, Green, Red, Cyan, Amber };
constexpr Rgb kLooks[] = {
    {},          {255, 255, 255}, {0, 0, 0},     {150, 150, 150}, {40, 90, 200}, {40, 170, 60},
    {255, 0, 0}, {0, 255, 255},   {240, 170, 30}};

int LookOf(const Dib& d, int x, int y)
{
    if (d.mask && d.Clear(x, y))
        return Clear;
    auto distance = [c = d.At(x, y)](const Rgb& k) {
        return (c[0] - k[0]) * (c[0] - k[0]) + (c[1] - k[1]) * (c[1] - k[1]) +
               (c[2] - k[2]) * (c[2] - k[2]);
    };
    return static_cast<int>(
        std::min_element(kLooks + White, std::end(kLooks),
                         [&](const Rgb& a, const Rgb& b) { return distance(a) < distance(b); }) -
        kLooks);
}

enum Mask { kBitmap, kOpaque, kMasked }; // masked: a transparent background
struct Form {
    WORD id;
    int width, height, bpp;
    Mask mask;
    std::vector<int> looks; // x, y, look: pixels that tell it, also from one of its form

    int discLeft = -1, discTop = -1; // the quarter that holds the disc of a tray frame
};
const Form kPictures[] = {
    {IDI_AGENT, 32, 32, 8, kMasked, {0, 0, Clear, 16, 12, Blue, 8, 10, Green}}, // globe
    // The globe, and in animation order the disc going clockwise from the lower right.
    {IDI_TRAY_FRAME1, 16, 16, 8, kMasked, {0, 0, Clear, 4, 9, Blue}, 8, 8},
    {IDI_TRAY_FRAME2, 16, 16, 8, kMasked, {15, 0, Clear, 10, 9, Blue}, 0, 8},
    {IDI_TRAY_FRAME3, 16, 16, 8, kMasked, {15, 0, Clear, 8, 9, Blue}, 0, 0},
    {IDI_TRAY_FRAME4, 16, 16, 8, kMasked, {0, 0, Clear, 4, 9, Blue}, 8, 0},
    // The white key on amber, white outside the rounded corners; the disabled one in grays.
    {IDI_COMPUTER_LOCK, 32, 32, 8, kOpaque, {0, 0, White, 30, 16, Amber, 8, 16, White}},
    {IDI_COMPUTER_LOCK_GRAY, 32, 32, 8, kOpaque, {0, 0, White, 30, 16, Gray, 8, 16, White}},
    {IDI_EXIT, 32, 32, 8, kOpaque, {1, 16, Green, 12, 4, White, 12, 12, Green}}, // exit sign
    {IDI_SETTING, 32, 32, 4, kMasked, {0, 0, Clear, 10, 3, Red, 10, 10, Cyan}},  // page
    {IDI_PADLOCK, 48, 48, 8, kMasked, {0, 0, Clear, 47, 0, Clear, 0, 47, Clear, 47, 47, Clear}},
    // The globe at the left, its cable through the bottom edge, the black name.
    {IDB_BANNER, 180, 65, 24, kBitmap, {0, 0, White, 10, 24, Blue, 36, 64, Gray, 70, 30, Black}},
    {IDB_REBOOT, 36, 32, 24, kBitmap, {0, 0, White, 4, 16, Green, 18, 8, White}}, // white rays
};

TEST_F(Resources, EveryPictureHasItsFormAndLooksAndLoadsAsTheAgentTakesIt)
{
    for (const Form& form : kPictures) {
        SCOPED_TRACE(form.id);
        const Dib d = ReadPicture(form.id);
        ASSERT_EQ((std::array<int, 4>{form.width, form.height, form.bpp, form.mask != kBitmap}),
                  (std::array<int, 4>{d.width, d.height, d.bpp, d.mask != nullptr}));
        for (size_t i = 0; i + 2 < form.looks.size(); i += 3)
            EXPECT_EQ(form.looks[i + 2], LookOf(d, form.looks[i], form.looks[i + 1]))
                << "at " << form.looks[i] << "," << form.looks[i + 1];
        int clear = 0, inverting = 0, disc = 0, strayDisc = 0;
        for (int y = 0; d.mask && y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                const Rgb c = d.At(x, y);
                clear += d.Clear(x, y);
                // Under the mask the colour must be black, or the screen shows inverted.
                inverting += d.Clear(x, y) && c != Rgb{};
                if (!d.Clear(x, y) && c == Rgb{204, 255, 0})
                    ++disc, strayDisc += x < form.discLeft || x >= form.discLeft + 8 ||
                                         y < form.discTop || y >= form.discTop + 8;
            }
        EXPECT_EQ(0, inverting);
        if (form.mask == kMasked)
            EXPECT_GT(clear, form.width * form.width / 8);
        else
            EXPECT_EQ(0, clear);
        // 7 x 7, round: at most its corners cut; no disc colour anywhere else.
        EXPECT_EQ(0, strayDisc);
        EXPECT_TRUE(form.discLeft < 0 || (disc >= 7 * 7 - 12 && disc <= 7 * 7)) << disc;

        // Tray frames shared, menu pictures at 32 x 32, bitmaps as the dialog manager does.
        const int size = form.mask == kBitmap ? 0 : 32;
        EXPECT_NE(nullptr, form.width == 16 ? LoadIconA(g_exe, MAKEINTRESOURCEA(form.id))
                                            : LoadImageA(g_exe, MAKEINTRESOURCEA(form.id),
                                                         size ? IMAGE_ICON : IMAGE_BITMAP, size,
                                                         size, LR_SHARED));
    }
    // Asked for at start-up for the separator positions, and meant to give nothing.
    EXPECT_EQ(nullptr, LoadImageA(g_exe, MAKEINTRESOURCEA(IDI_SEPARATOR), IMAGE_ICON, 32, 32, 0));
}

TEST_F(Resources, NothingElseIsThereAndAllOfItIsJapanese)
{
    // Type -> ids, and every language, from the image's resource directory.
    const BYTE* root = g_base + Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE).VirtualAddress;
    auto entries = [root](DWORD offset) {
        const auto* dir = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root + offset);
        const auto* first = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(dir + 1);
        return std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY>(
            first, first + dir->NumberOfNamedEntries + dir->NumberOfIdEntries);
    };
    std::map<WORD, std::set<WORD>> ids;
    std::set<WORD> languages;
    for (const auto& type : entries(0))
        for (const auto& name : entries(type.OffsetToDirectory))
            for (const auto& language : entries(name.OffsetToDirectory)) {
                ids[type.Id].insert(name.Id);
                languages.insert(language.Id);
            }
    EXPECT_EQ(std::set<WORD>{kJapanese}, languages);
    auto type = [](LPCSTR t) { return static_cast<WORD>(reinterpret_cast<ULONG_PTR>(t)); };
    EXPECT_EQ(10u, ids[type(RT_ICON)].size()); // one image per group
    ids.erase(type(RT_ICON));
    const std::map<WORD, std::set<WORD>> expected = {
        {type(RT_GROUP_ICON),
         {IDI_AGENT, IDI_TRAY_FRAME1, IDI_TRAY_FRAME2, IDI_TRAY_FRAME3, IDI_TRAY_FRAME4,
          IDI_COMPUTER_LOCK, IDI_EXIT, IDI_SETTING, IDI_COMPUTER_LOCK_GRAY, IDI_PADLOCK}},
        {type(RT_BITMAP), {IDB_BANNER, IDB_REBOOT}},
        {type(RT_STRING), {1}}, // strings 0 to 15
        {type(RT_DIALOG), {IDD_VERSION_INFO, IDD_SETTING, IDD_PASSCODE}},
        {type(RT_VERSION), {1}},
        {type(RT_MANIFEST), {1}},
    };
    EXPECT_EQ(expected, ids);
}

TEST_F(Resources, StringsArriveAsTheAgentLoadsThem)
{
    const std::map<UINT, std::string> texts = {
        {IDS_WINDOW_CLASS, "12"}, {IDS_COMPUTER_LOCK, "Computer Lock"},
        {IDS_SETTING, "Setting"}, {IDS_ABOUT, "About..."},
        {IDS_EXIT, "Exit"},       {IDS_SEPARATOR, "-"}};
    for (UINT id = 2; id < 16; ++id) { // and nothing else in the block
        char buffer[100] = "";
        LoadStringA(g_exe, id, buffer, 100);
        EXPECT_EQ(texts.count(id) ? texts.at(id) : "", buffer) << id;
    }
    // The title as LoadStringA hands it over on a Japanese system, in code page 932. This
    // bench runs code page 1252, where the Japanese characters arrive as its substitute
    // character; the title is never shown, so nothing depends on them.
    wchar_t wide[100] = {};
    char sjis[100] = {};
    LoadStringW(g_exe, IDS_WINDOW_TITLE, wide, 100);
    WideCharToMultiByte(932, 0, wide, -1, sjis, sizeof sjis, nullptr, nullptr);
    EXPECT_STREQ("Usb\x83\x58\x83\x67\x83\x8C\x81\x5B\x83\x57\x82\xD6\x82\xCC\x83\x41"
                 "\x83\x4E\x83\x5A\x83\x58\x8F\xF3\x91\xD4",
                 sjis);
}

// The version block as "path=value" lines in stored order. A node is wLength, wValueLength,
// wType (1: a text, counted in characters), a UTF-16 key, its value and its children, each
// part aligned to four bytes. Binary values show as hex numbers of four bytes.
void Flatten(Blob b, size_t at, const std::wstring& prefix, std::vector<std::wstring>& lines)
{
    auto word = [&](size_t p) { return p + 2 <= b.size ? b.data[p] | b.data[p + 1] << 8 : 0; };
    auto align = [](size_t n) { return (n + 3) & ~size_t{3}; };
    const bool text = word(at + 4) == 1;
    std::wstring name = prefix, value;
    size_t p = at + 6;
    for (; word(p); p += 2)
        name += static_cast<wchar_t>(word(p));
    p = align(p + 2);
    const size_t valueEnd = p + word(at + 2) * (text ? 2 : 1);
    for (; text && p + 2 <= valueEnd && word(p); p += 2)
        value += static_cast<wchar_t>(word(p));
    for (wchar_t hex[12]; !text && p + 4 <= valueEnd; p += 4) {
        swprintf(hex, 12, L" %08lx", word(p) | static_cast<unsigned long>(word(p + 2)) << 16);
        value += value.empty() ? hex + 1 : hex;
    }
    lines.push_back(word(at + 2) ? name + L"=" + value : name);
    const size_t end = std::min<size_t>(at + word(at), b.size);
    for (p = align(valueEnd); p + 6 <= end && word(p) >= 6; p = align(p + word(p)))
        Flatten(b, p, name + L"\\", lines);
}

TEST_F(Resources, VersionBlockHoldsItsValuesInOrder)
{
    std::vector<std::wstring> lines;
    Flatten(Resource(RT_VERSION, 1), 0, L"", lines);
    const std::wstring table = L"VS_VERSION_INFO\\StringFileInfo\\041104b0\\";
    const std::vector<std::wstring> expected = {
        // Signature, structure version, file and product version 1.0.0.4, flags mask 0x37,
        // a special build, 32-bit Windows, an application, no subtype, no date.
        L"VS_VERSION_INFO=feef04bd 00010000 00010000 00000004 00010000 00000004 00000037 "
        L"00000020 00000004 00000001 00000000 00000000 00000000",
        L"VS_VERSION_INFO\\StringFileInfo",
        L"VS_VERSION_INFO\\StringFileInfo\\041104b0",
        table + L"CompanyName=Tessmark, Inc.",
        table + L"FileDescription=Korvane",
        table + L"FileVersion=1, 0, 0, 0",
        table + L"InternalName=Korvane",
        table + L"LegalCopyright=Copyright (C) Tessmark, Inc.", // one short line
        table + L"OriginalFilename=Korvane",
        table + L"ProductName=Korvane",
        table + L"ProductVersion=1, 0, 0, 0",
        L"VS_VERSION_INFO\\VarFileInfo",
        L"VS_VERSION_INFO\\VarFileInfo\\Translation=04b00411", // 0x0411, code page 1200
    };
    EXPECT_EQ(expected, lines);
}

// What the system shows as the file's properties: the version API reads the same block.
TEST_F(Resources, TheVersionApiReadsTheBlock)
{
    const std::string exe = bench::AgentExe();
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(
        GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    void* value = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &size));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x00000004u, fixed->dwProductVersionLS);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &size));
    ASSERT_EQ(4u, size);
    EXPECT_EQ(0x04b00411u, *static_cast<const DWORD*>(value));
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\StringFileInfo\\041104b0\\ProductVersion", &value, &size));
    EXPECT_STREQ("1, 0, 0, 0", static_cast<const char*>(value));
}

TEST_F(Resources, ManifestIsTheBare86Bytes)
{
    const char manifest[] = "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" "
                            "manifestVersion=\"1.0\">\r\n</assembly>";
    static_assert(sizeof manifest - 1 == 86, "the manifest's length");
    const Blob raw = Resource(RT_MANIFEST, 1);
    EXPECT_EQ(std::string(manifest),
              std::string(reinterpret_cast<const char*>(raw.data), raw.size));
}

TEST_F(Resources, ProgramImportsOnlyTheSystemLibraries)
{
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll",
                                           "advapi32.dll", "ws2_32.dll", "msvcrt.dll"};
    EXPECT_EQ(0u, Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT).Size);
    std::set<std::string> imported;
    const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
        g_base + Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
    for (; Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).Size && entry->Name; ++entry) {
        std::string dll = reinterpret_cast<const char*>(g_base + entry->Name);
        CharLowerA(&dll[0]);
        imported.insert(dll);
    }
    EXPECT_TRUE(imported.count("kernel32.dll"));
    for (const std::string& dll : imported)
        EXPECT_EQ(1u, allowed.count(dll)) << dll;
}

} // namespace
