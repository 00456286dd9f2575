// The three dialog templates as compiled into the module: every field that windres could
// add, drop or change, read back from the RT_DIALOG resource of language 1041.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ui/res/resource.h"

namespace {

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kDefault = kChild | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD kPush = kChild | BS_PUSHBUTTON | WS_TABSTOP, kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kCheck = kChild | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kText = kChild | SS_LEFT | WS_GROUP, kLabel = kText | SS_CENTERIMAGE;
const std::wstring kGothic = L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"; // ＭＳ Ｐゴシック

struct Control {
    int id;
    WORD cls;          // predefined class ordinal
    std::wstring text; // "#n" for the picture n of an icon or bitmap static
    short x, y, cx, cy;
    DWORD style, exStyle = 0;
    WORD extra = 0; // creation data bytes
};

std::wstring Describe(const Control& c)
{
    wchar_t line[300];
    swprintf(line, 300, L"id %d class %x \"%ls\" at %d,%d %dx%d style %08lx ex %08lx data %u", c.id,
             c.cls, c.text.c_str(), c.x, c.y, c.cx, c.cy, c.style, c.exStyle, c.extra);
    return line;
}

// The header of a template; the defaults are those of all three.
std::wstring Frame(const std::wstring& title, short cx, short cy, DWORD style, DWORD exStyle,
                   WORD point, WORD weight, const std::wstring& face, short x = 0, short y = 0,
                   const std::wstring& menu = L"", const std::wstring& cls = L"", BYTE italic = 0,
                   BYTE charset = DEFAULT_CHARSET)
{
    wchar_t line[300];
    swprintf(line, 300,
             L"\"%ls\" at %d,%d %dx%d style %08lx ex %08lx font %u \"%ls\" weight %u italic %u "
             L"charset %u menu \"%ls\" class \"%ls\"",
             title.c_str(), x, y, cx, cy, style, exStyle, point, face.c_str(), weight, italic,
             charset, menu.c_str(), cls.c_str());
    return line;
}

std::wstring Picture(WORD id)
{
    return L"#" + std::to_wstring(id);
}

// Reads the DLGTEMPLATEEX id of language 1041: its header as a line (empty when there is
// none), its items into controls. A field past the end reads as 0.
std::wstring Load(WORD id, std::vector<Control>& controls)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    const BYTE* const begin = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const BYTE *p = begin, *const end = begin + SizeofResource(module, found);
    auto word = [&] {
        WORD w = p + 2 <= end ? static_cast<WORD>(p[0] | p[1] << 8) : 0;
        p += 2;
        return w;
    };
    auto dword = [&] {
        const DWORD low = word();
        return low | static_cast<DWORD>(word()) << 16;
    };
    // A name field: none (empty), 0xFFFF and an ordinal ("#n"), or a zero-terminated text.
    auto name = [&] {
        std::wstring text;
        WORD c = word();
        if (c == 0xFFFF)
            return Picture(word());
        for (; c != 0; c = word())
            text += static_cast<wchar_t>(c);
        return text;
    };
    if (word() != 1 || word() != 0xFFFF || dword() != 0) // version, signature, help id
        return L"";
    const DWORD exStyle = dword(), style = dword();
    const WORD count = word();
    const short x = word(), y = word(), cx = word(), cy = word();
    const std::wstring menu = name(), cls = name(), title = name();
    const WORD point = word(), weight = word(), italicCharset = word();
    const std::wstring face = name();
    for (WORD i = 0; i < count && p < end; ++i) {
        p = begin + ((p - begin + 3) & ~3); // items start on a DWORD
        Control c = {};
        dword(); // help id
        c.exStyle = dword(), c.style = dword();
        c.x = word(), c.y = word(), c.cx = word(), c.cy = word();
        c.id = static_cast<int>(dword());
        c.cls = word() == 0xFFFF ? word() : 0; // a class by ordinal
        c.text = name();
        c.extra = word();
        p += c.extra;
        controls.push_back(c);
    }
    return Frame(title, cx, cy, style, exStyle, point, weight, face, x, y, menu, cls,
                 italicCharset & 0xFF, italicCharset >> 8);
}

void ExpectDialog(WORD id, const std::wstring& frame, const std::vector<Control>& expected)
{
    std::vector<Control> controls;
    EXPECT_EQ(frame, Load(id, controls));
    ASSERT_EQ(expected.size(), controls.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Describe(expected[i]), Describe(controls[i])) << "control " << i;
}

TEST(DialogTemplates, VersionInfo)
{
    ExpectDialog(IDD_VERSION_INFO,
                 Frame(L"Version Info", 235, 85,
                       WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 9, 0,
                       kGothic),
                 {
                     {IDOK, kButton, L"OK", 180, 66, 50, 14, kDefault},
                     {-1, kStatic, L"Copyright (C) Tessmark, Inc.", 113, 26, 117, 8, kText},
                     {-1, kStatic, L"Verion. 1.00a", 112, 15, 38, 8, kText},
                     {-1, kStatic, Picture(IDB_BANNER), 5, 6, 103, 43, kChild | SS_BITMAP},
                     {-1, kStatic, L"www.tessmark.example", 154, 38, 76, 8, kText},
                 });
}

TEST(DialogTemplates, PassCode)
{
    ExpectDialog(
        IDD_PASSCODE,
        Frame(L"PassCode", 170, 54,
              WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK |
                  DS_CENTERMOUSE,
              WS_EX_CONTROLPARENT, 8, 400, L"MS Shell Dlg"),
        {
            {IDOK, kButton, L"OK", 57, 33, 50, 14, kDefault},
            {IDCANCEL, kButton, L"Cancel", 113, 33, 50, 14, kPush},
            {-1, kStatic, L"Enter Pass Code", 7, 7, 54, 12, kLabel},
            {IDC_PASSCODE_EDIT, kEdit, L"", 79, 7, 84, 12,
             kChild | ES_PASSWORD | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
            {-1, kStatic, Picture(IDI_PADLOCK), 7, 20, 21, 20, kChild | SS_ICON | SS_REALSIZEIMAGE},
        });
}

TEST(DialogTemplates, Setting)
{
    ExpectDialog(
        IDD_SETTING,
        Frame(L"Setting", 247, 184, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
              0, 9, 0, kGothic),
        {
            {IDOK, kButton, L"OK", 140, 164, 50, 14, kDefault},
            {-1, kButton, L"Auto Start up", 7, 54, 114, 36, kGroup},
            {IDC_AUTO_START, kButton, L"Automatic start of a Windows start", 22, 66, 80, 17,
             kCheck | BS_MULTILINE},
            {-1, kButton, L"Windows Lock ", 7, 7, 115, 38, kGroup},
            {-1, kStatic, Picture(IDI_COMPUTER_LOCK), 18, 18, 20, 20, kChild | SS_ICON},
            {IDC_EASY_PC_LOCK, kButton, L"Easy PC Lock", 45, 20, 57, 10, kCheck},
            {IDC_QUICK_LOCK, kButton, L"Quick Lock", 53, 31, 47, 10, kCheck | WS_DISABLED},
            {-1, kButton, L"PassCode", 7, 101, 115, 47, kGroup},
            {IDC_PASSCODE_EDIT, kEdit, L"", 42, 129, 59, 14,
             kChild | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
            {-1, kButton, L"No Check IP List", 128, 54, 115, 95, kGroup},
            {IDC_TRUSTED_LIST, kListBox, L"", 135, 67, 54, 45,
             kChild | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER |
                 WS_TABSTOP},
            {IDC_DELETE, kButton, L"Delete", 192, 96, 50, 14, kPush | WS_DISABLED},
            {IDC_ADD, kButton, L"Add", 192, 127, 50, 14, kPush},
            {-1, kStatic, L"Passcode of number", 43, 111, 67, 8, kLabel},
            {-1, kStatic, L"Now IP address", 136, 115, 50, 12, kLabel},
            {IDC_CURRENT_ADDRESS, kEdit, L"", 135, 128, 54, 14,
             kChild | ES_READONLY | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
             WS_EX_NOPARENTNOTIFY},
            {IDCANCEL, kButton, L"Cancel", 193, 164, 50, 14, kPush},
            {IDC_DEBUG_BOX, kButton, L"Debug box", 7, 153, 42, 10, kCheck},
            {-1, kButton, L"Reboot", 129, 7, 115, 38, kGroup},
            {IDC_REBOOT_SET, kButton, L"Reboot Set", 169, 19, 43, 10, kCheck | WS_DISABLED},
            // Hidden: it only carries the stored value through the dialog.
            {IDC_RECORD_IPLOG, kButton, L"Record IPLog", 7, 168, 48, 10,
             WS_CHILD | BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED},
            {-1, kStatic, Picture(IDI_PADLOCK), 15, 120, 20, 20, kChild | SS_ICON},
            {-1, kStatic, L"( 4 ... 23 max )", 72, 119, 43, 8, kText},
            {-1, kStatic, Picture(IDB_REBOOT), 138, 18, 21, 21, kChild | SS_BITMAP},
        });
}

} // namespace
