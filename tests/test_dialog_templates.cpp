// The three dialog templates as compiled into the module: every byte that windres could
// add, drop or change is read back from the RT_DIALOG resource of language 1041.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/res/resource.h"

namespace {

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const std::wstring kGothic = L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF"; // ＭＳ Ｐゴシック

struct Item {
    int id;
    WORD cls;          // predefined class ordinal
    std::wstring text; // empty for a picture
    WORD picture;      // resource ordinal of an icon or bitmap static
    short x, y, cx, cy;
    DWORD style, exStyle;
};

struct Template {
    DWORD exStyle = 0, style = 0, helpId = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, cls, title, face;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::vector<Item> items;
    std::vector<WORD> itemExtra; // creation data size of each item
    bool ok = false;
};

std::string Utf8(const std::wstring& text)
{
    char out[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out, sizeof out - 1, nullptr, nullptr);
    return out;
}

class Reader {
  public:
    Reader(const BYTE* begin, size_t size) : begin_(begin), p_(begin), end_(begin + size) {}
    bool ok() const { return ok_; }
    WORD Word() { return Read<WORD>(); }
    DWORD Dword() { return Read<DWORD>(); }
    BYTE Byte() { return Read<BYTE>(); }
    void Align() { Skip((4 - (p_ - begin_) % 4) % 4); }
    void Skip(size_t n)
    {
        if (static_cast<size_t>(end_ - p_) < n)
            ok_ = false;
        p_ = ok_ ? p_ + n : end_;
    }
    // A name field: 0 (none), 0xFFFF and an ordinal, or a zero-terminated UTF-16 text.
    std::wstring Name(WORD* ordinal = nullptr)
    {
        std::wstring text;
        WORD c = Word();
        if (c == 0xFFFF) {
            WORD value = Word();
            if (ordinal)
                *ordinal = value;
            return L"#" + std::to_wstring(value);
        }
        for (; c != 0 && ok_; c = Word())
            text += static_cast<wchar_t>(c);
        return text;
    }

  private:
    template <typename T> T Read()
    {
        T value = 0;
        if (static_cast<size_t>(end_ - p_) < sizeof value) {
            ok_ = false;
            return value;
        }
        CopyMemory(&value, p_, sizeof value);
        p_ += sizeof value;
        return value;
    }
    const BYTE *begin_, *p_, *end_;
    bool ok_ = true;
};

Template LoadTemplate(WORD id)
{
    Template t;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (!found)
        return t;
    Reader r(static_cast<const BYTE*>(LockResource(LoadResource(module, found))),
             SizeofResource(module, found));
    if (r.Word() != 1 || r.Word() != 0xFFFF) // DLGTEMPLATEEX version and signature
        return t;
    t.helpId = r.Dword();
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const WORD count = r.Word();
    t.x = r.Word(), t.y = r.Word(), t.cx = r.Word(), t.cy = r.Word();
    t.menu = r.Name(), t.cls = r.Name(), t.title = r.Name();
    t.pointSize = r.Word(), t.weight = r.Word(), t.italic = r.Byte(), t.charset = r.Byte();
    t.face = r.Name();
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.Align();
        Item item = {};
        r.Dword(); // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Word(), item.y = r.Word(), item.cx = r.Word(), item.cy = r.Word();
        item.id = static_cast<int>(r.Dword());
        r.Name(&item.cls);
        item.text = r.Name(&item.picture);
        if (item.picture)
            item.text.clear();
        const WORD extra = r.Word();
        r.Skip(extra);
        t.items.push_back(item);
        t.itemExtra.push_back(extra);
    }
    t.ok = r.ok();
    return t;
}

void ExpectItems(const Template& t, const std::vector<Item>& expected)
{
    ASSERT_EQ(expected.size(), t.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Item &e = expected[i], &a = t.items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(e.id) + ")");
        EXPECT_EQ(e.id, a.id);
        EXPECT_EQ(e.cls, a.cls);
        EXPECT_TRUE(e.text == a.text) << Utf8(a.text);
        EXPECT_EQ(e.picture, a.picture);
        EXPECT_EQ(e.x, a.x);
        EXPECT_EQ(e.y, a.y);
        EXPECT_EQ(e.cx, a.cx);
        EXPECT_EQ(e.cy, a.cy);
        EXPECT_EQ(e.style, a.style)
            << std::hex << "expected 0x" << e.style << ", got 0x" << a.style;
        EXPECT_EQ(e.exStyle, a.exStyle);
        EXPECT_EQ(0, t.itemExtra[i]);
    }
}

void ExpectFrame(const Template& t, const wchar_t* title, short cx, short cy, DWORD style,
                 DWORD exStyle, WORD pointSize, const std::wstring& face, WORD weight)
{
    ASSERT_TRUE(t.ok) << "no readable template in language 1041";
    EXPECT_TRUE(t.title == title) << Utf8(t.title);
    EXPECT_EQ(0, t.x);
    EXPECT_EQ(0, t.y);
    EXPECT_EQ(cx, t.cx);
    EXPECT_EQ(cy, t.cy);
    EXPECT_EQ(style, t.style) << std::hex << "got 0x" << t.style;
    EXPECT_EQ(exStyle, t.exStyle);
    EXPECT_EQ(0u, t.helpId);
    EXPECT_TRUE(t.menu.empty());
    EXPECT_TRUE(t.cls.empty());
    EXPECT_EQ(pointSize, t.pointSize);
    EXPECT_TRUE(t.face == face) << Utf8(t.face);
    EXPECT_EQ(weight, t.weight);
    EXPECT_EQ(0, t.italic);
    EXPECT_EQ(DEFAULT_CHARSET, t.charset);
}

TEST(DialogTemplates, VersionInfo)
{
    Template t = LoadTemplate(IDD_VERSION_INFO);
    ExpectFrame(t, L"Version Info", 235, 85,
                WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 9, kGothic, 0);
    ASSERT_EQ(5u, t.items.size());
    // The notice and the web address are free texts: whatever they say, one line each.
    EXPECT_FALSE(t.items[1].text.empty());
    EXPECT_FALSE(t.items[4].text.empty());
    ExpectItems(
        t,
        {
            {IDOK, kButton, L"OK", 0, 180, 66, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
            {-1, kStatic, t.items[1].text, 0, 113, 26, 117, 8, kChild | SS_LEFT | WS_GROUP, 0},
            {-1, kStatic, L"Verion. 1.00a", 0, 112, 15, 38, 8, kChild | SS_LEFT | WS_GROUP, 0},
            {-1, kStatic, L"", IDB_BANNER, 5, 6, 103, 43, kChild | SS_BITMAP, 0},
            {-1, kStatic, t.items[4].text, 0, 154, 38, 76, 8, kChild | SS_LEFT | WS_GROUP, 0},
        });
}

TEST(DialogTemplates, PassCode)
{
    Template t = LoadTemplate(IDD_PASSCODE);
    ExpectFrame(t, L"PassCode", 170, 54,
                WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK |
                    DS_CENTERMOUSE,
                WS_EX_CONTROLPARENT, 8, L"MS Shell Dlg", 400);
    ExpectItems(
        t,
        {
            {IDOK, kButton, L"OK", 0, 57, 33, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
            {IDCANCEL, kButton, L"Cancel", 0, 113, 33, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP,
             0},
            {-1, kStatic, L"Enter Pass Code", 0, 7, 7, 54, 12,
             kChild | SS_LEFT | SS_CENTERIMAGE | WS_GROUP, 0},
            {IDC_PASSCODE_EDIT, kEdit, L"", 0, 79, 7, 84, 12,
             kChild | ES_PASSWORD | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
            {-1, kStatic, L"", IDI_PADLOCK, 7, 20, 21, 20, kChild | SS_ICON | SS_REALSIZEIMAGE, 0},
        });
}

TEST(DialogTemplates, Setting)
{
    Template t = LoadTemplate(IDD_SETTING);
    ExpectFrame(t, L"Setting", 247, 184,
                WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 9, kGothic, 0);
    constexpr DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP, push = BS_PUSHBUTTON | WS_TABSTOP;
    constexpr DWORD label = SS_LEFT | SS_CENTERIMAGE | WS_GROUP;
    ExpectItems(
        t,
        {
            {IDOK, kButton, L"OK", 0, 140, 164, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0},
            {-1, kButton, L"Auto Start up", 0, 7, 54, 114, 36, kChild | BS_GROUPBOX, 0},
            {IDC_AUTO_START, kButton, L"Automatic start of a Windows start", 0, 22, 66, 80, 17,
             kChild | check | BS_MULTILINE, 0},
            {-1, kButton, L"Windows Lock ", 0, 7, 7, 115, 38, kChild | BS_GROUPBOX, 0},
            {-1, kStatic, L"", IDI_COMPUTER_LOCK, 18, 18, 20, 20, kChild | SS_ICON, 0},
            {IDC_EASY_PC_LOCK, kButton, L"Easy PC Lock", 0, 45, 20, 57, 10, kChild | check, 0},
            {IDC_QUICK_LOCK, kButton, L"Quick Lock", 0, 53, 31, 47, 10,
             kChild | check | WS_DISABLED, 0},
            {-1, kButton, L"PassCode", 0, 7, 101, 115, 47, kChild | BS_GROUPBOX, 0},
            {IDC_PASSCODE_EDIT, kEdit, L"", 0, 42, 129, 59, 14,
             kChild | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 0},
            {-1, kButton, L"No Check IP List", 0, 128, 54, 115, 95, kChild | BS_GROUPBOX, 0},
            {IDC_TRUSTED_LIST, kListBox, L"", 0, 135, 67, 54, 45,
             kChild | LBS_SORT | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER |
                 WS_TABSTOP,
             0},
            {IDC_DELETE, kButton, L"Delete", 0, 192, 96, 50, 14, kChild | push | WS_DISABLED, 0},
            {IDC_ADD, kButton, L"Add", 0, 192, 127, 50, 14, kChild | push, 0},
            {-1, kStatic, L"Passcode of number", 0, 43, 111, 67, 8, kChild | label, 0},
            {-1, kStatic, L"Now IP address", 0, 136, 115, 50, 12, kChild | label, 0},
            {IDC_CURRENT_ADDRESS, kEdit, L"", 0, 135, 128, 54, 14,
             kChild | ES_READONLY | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
             WS_EX_NOPARENTNOTIFY},
            {IDCANCEL, kButton, L"Cancel", 0, 193, 164, 50, 14, kChild | push, 0},
            {IDC_DEBUG_BOX, kButton, L"Debug box", 0, 7, 153, 42, 10, kChild | check, 0},
            {-1, kButton, L"Reboot", 0, 129, 7, 115, 38, kChild | BS_GROUPBOX, 0},
            {IDC_REBOOT_SET, kButton, L"Reboot Set", 0, 169, 19, 43, 10,
             kChild | check | WS_DISABLED, 0},
            {IDC_RECORD_IPLOG, kButton, L"Record IPLog", 0, 7, 168, 48, 10,
             WS_CHILD | check | WS_DISABLED, 0}, // hidden
            {-1, kStatic, L"", IDI_PADLOCK, 15, 120, 20, 20, kChild | SS_ICON, 0},
            {-1, kStatic, L"( 4 ... 23 max )", 0, 72, 119, 43, 8, kChild | SS_LEFT | WS_GROUP, 0},
            {-1, kStatic, L"", IDB_REBOOT, 138, 18, 21, 21, kChild | SS_BITMAP, 0},
        });
}

// The dialog manager finds every picture the templates name in the module's resources.
TEST(DialogTemplates, PictureControlsShowTheirPictures)
{
    struct Picture {
        WORD dialog;
        DLGPROC proc;
        int index;         // position in the template
        UINT type;         // IMAGE_ICON or IMAGE_BITMAP
        int width, height; // 0: not checked
    };
    const Picture pictures[] = {
        {IDD_VERSION_INFO, AboutDlgProc, 3, IMAGE_BITMAP, 180, 65},
        {IDD_PASSCODE, PassCodeDlgProc, 4, IMAGE_ICON, 48, 48}, // SS_REALSIZEIMAGE: own size
        {IDD_SETTING, SettingDlgProc, 4, IMAGE_ICON, 32, 32},
        // 163 again, at the standard size on Windows. Wine keeps one shared copy per icon
        // resource whatever size is asked for, so after the PassCode dialog it comes at 48.
        {IDD_SETTING, SettingDlgProc, 21, IMAGE_ICON, 0, 0},
        {IDD_SETTING, SettingDlgProc, 23, IMAGE_BITMAP, 36, 32},
    };
    HMODULE module = GetModuleHandleA(nullptr);
    for (const Picture& p : pictures) {
        SCOPED_TRACE("dialog " + std::to_string(p.dialog) + ", control " + std::to_string(p.index));
        // CreateDialog without WS_VISIBLE: the dialog is built but never shown.
        HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(p.dialog), nullptr, p.proc, 0);
        ASSERT_NE(nullptr, dialog);
        HWND control = GetWindow(dialog, GW_CHILD);
        for (int i = 0; i < p.index && control; ++i)
            control = GetWindow(control, GW_HWNDNEXT);
        ASSERT_NE(nullptr, control);
        HANDLE image = reinterpret_cast<HANDLE>(SendMessageA(control, STM_GETIMAGE, p.type, 0));
        ASSERT_NE(nullptr, image);
        if (p.type == IMAGE_BITMAP) {
            BITMAP bm = {};
            ASSERT_TRUE(GetObjectA(image, sizeof bm, &bm));
            EXPECT_EQ(p.width, bm.bmWidth);
            EXPECT_EQ(p.height, bm.bmHeight);
        } else if (p.width) {
            RECT rect = {};
            GetClientRect(control, &rect);
            EXPECT_EQ(p.width, rect.right);
            EXPECT_EQ(p.height, rect.bottom);
        }
        DestroyWindow(dialog);
    }
}

} // namespace
