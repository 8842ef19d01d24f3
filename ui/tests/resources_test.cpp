// The dialog templates as the resource compiler wrote them into the exe: a
// style bit added or lost on the way (windres makes every CONTROL visible
// unless told otherwise) shows here, not only when a player sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resource.h"

namespace mqtest {
namespace {

// One dialog or control, written as a line so a difference reads at once.
std::string Line(const std::string& kind, int id, const std::string& text, DWORD style, DWORD exStyle,
                 const short (&box)[4]) {
  char line[320];
  std::snprintf(line, sizeof line, "%s id=%d \"%s\" style=%08lX ex=%08lX at %d,%d %dx%d", kind.c_str(), id,
                text.c_str(), style, exStyle, box[0], box[1], box[2], box[3]);
  return line;
}

// Reads a DLGTEMPLATE (the DIALOG statement) and its items.
class TemplateReader {
 public:
  explicit TemplateReader(const WORD* words) : at_(words) {}

  DWORD Dword() {
    DWORD low = *at_++;
    return low | static_cast<DWORD>(*at_++) << 16;
  }
  WORD Word() { return *at_++; }
  short Short() { return static_cast<short>(*at_++); }
  // A name or an ordinal: 0 for none, 0xFFFF and a number, or a string.
  std::string NameOrOrdinal() {
    if (*at_ == 0xFFFF) {
      ++at_;
      char ordinal[8];
      std::snprintf(ordinal, sizeof ordinal, "#%u", static_cast<unsigned>(*at_++));
      return ordinal;
    }
    return Text();
  }
  std::string Text() {
    std::string text;
    while (*at_) text += static_cast<char>(*at_++ & 0xFF);
    ++at_;
    return text;
  }
  void AlignToDword() {
    while (reinterpret_cast<uintptr_t>(at_) % 4) ++at_;
  }

 private:
  const WORD* at_;
};

// The predefined window classes, which templates name by ordinal.
std::string ClassName(const std::string& name) {
  static const char* const Predefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  const int atom = name[0] == '#' ? std::atoi(name.c_str() + 1) : 0;
  return atom >= 0x80 && atom <= 0x85 ? Predefined[atom - 0x80] : name;
}

std::vector<std::string> DecodeDialog(int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
  if (!found) return {"no such dialog"};
  TemplateReader r(static_cast<const WORD*>(LockResource(LoadResource(module, found))));
  std::vector<std::string> lines;
  const DWORD style = r.Dword();
  const DWORD exStyle = r.Dword();
  const int count = r.Word();
  short box[4];
  for (short& v : box) v = r.Short();
  const std::string menu = r.NameOrOrdinal();
  const std::string windowClass = r.NameOrOrdinal();
  const std::string caption = r.Text();
  std::string font;
  if (style & DS_SETFONT) {
    const int points = r.Word();
    font = std::to_string(points) + " " + r.Text();
  }
  std::string kind = "DIALOG";
  for (const std::string& part : {menu, windowClass, font}) kind.append(" ").append(part);
  lines.push_back(Line(kind, id, caption, style, exStyle, box));
  for (int i = 0; i < count; ++i) {
    r.AlignToDword();
    const DWORD itemStyle = r.Dword();
    const DWORD itemExStyle = r.Dword();
    for (short& v : box) v = r.Short();
    const short itemId = r.Short();
    const std::string kind = ClassName(r.NameOrOrdinal());
    const std::string text = r.NameOrOrdinal();
    const int extra = r.Word();
    for (int k = 0; k < extra; k += 2) r.Word();
    lines.push_back(Line(kind, itemId, text, itemStyle, itemExStyle, box));
  }
  return lines;
}

constexpr DWORD DIALOG_STYLE =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CONTEXTHELP;
constexpr DWORD SHOWN = WS_CHILD | WS_VISIBLE;
constexpr DWORD BUTTON = SHOWN | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD LIST = SHOWN | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

struct Row {
  int Dialog;
  const char* Kind;
  int Id;
  const char* Text;
  DWORD Style;
  short Box[4];
};

const char* const DIALOG = "DIALOG   8 MS Sans Serif";  // no menu, no class of its own

const Row Design[] = {
    {IDD_HIGH_SCORES, DIALOG, IDD_HIGH_SCORES, "High Scores", DIALOG_STYLE, {0, 0, 205, 122}},
    {IDD_HIGH_SCORES, "BUTTON", IDOK, "&Close", BUTTON | BS_CENTER, {149, 64, 50, 14}},
    {IDD_HIGH_SCORES, "STATIC", 101, "", SHOWN | SS_LEFT, {8, 8, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 102, "", SHOWN | SS_LEFT, {8, 17, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 103, "", SHOWN | SS_LEFT, {8, 26, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 104, "", SHOWN | SS_LEFT, {8, 35, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 105, "", SHOWN | SS_LEFT, {8, 44, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 106, "", SHOWN | SS_LEFT, {8, 53, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 107, "", SHOWN | SS_LEFT, {8, 62, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 108, "", SHOWN | SS_LEFT, {8, 71, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 109, "", SHOWN | SS_LEFT, {8, 80, 136, 8}},
    {IDD_HIGH_SCORES, "STATIC", 110, "", SHOWN | SS_LEFT, {8, 89, 136, 8}},
    {IDD_HIGH_SCORES, "COMBOBOX", IDC_LEVEL_LIST, "", LIST, {9, 103, 60, 45}},
    {IDD_HIGH_SCORES, "COMBOBOX", IDC_SIZE_LIST, "", LIST, {74, 103, 50, 60}},
    // Hidden until a record of this run is shown, and without a border.
    {IDD_HIGH_SCORES,
     "EDIT",
     IDC_NAME_FIELD,
     "",
     WS_CHILD | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
     {36, 8, 72, 8}},
    {IDD_HIGH_SCORES, "BUTTON", IDC_CLEAR_SCORES, "Clear &Scores", BUTTON | BS_CENTER, {149, 6, 50, 14}},
    {IDD_HIGH_SCORES, "BUTTON", IDC_NEW_GAME, "&New Game", BUTTON | BS_CENTER, {149, 102, 50, 14}},
    {IDD_HIGH_SCORES, "BUTTON", IDC_REPLAY_GAME, "&Replay Game", BUTTON | BS_CENTER, {149, 83, 50, 14}},

    {IDD_CUSTOM_SIZE, DIALOG, IDD_CUSTOM_SIZE, "", DIALOG_STYLE, {0, 0, 135, 67}},
    {IDD_CUSTOM_SIZE, "BUTTON", IDOK, "OK", BUTTON, {12, 44, 50, 14}},
    {IDD_CUSTOM_SIZE, "BUTTON", IDCANCEL, "Cancel", BUTTON, {72, 44, 50, 14}},
    {IDD_CUSTOM_SIZE, "COMBOBOX", IDC_COLUMNS_LIST, "", LIST, {72, 4, 50, 120}},
    {IDD_CUSTOM_SIZE, "COMBOBOX", IDC_ROWS_LIST, "", LIST, {72, 21, 50, 120}},
    {IDD_CUSTOM_SIZE, "STATIC", -1, "Columns:", SHOWN | SS_LEFT, {12, 7, 56, 8}},
    {IDD_CUSTOM_SIZE, "STATIC", -1, "Rows:", SHOWN | SS_LEFT, {12, 23, 56, 8}},

    {IDD_ABOUT, DIALOG, IDD_ABOUT, "About", DIALOG_STYLE, {0, 0, 135, 74}},
    {IDD_ABOUT, "STATIC", IDC_ABOUT_VERSION, "", SHOWN | SS_CENTER, {11, 34, 112, 8}},
    {IDD_ABOUT, "STATIC", -1, "#1", SHOWN | SS_ICON, {55, 2, 32, 30}},
    {IDD_ABOUT, "STATIC", IDC_ABOUT_CREDIT, "", SHOWN | SS_CENTER, {11, 44, 112, 8}},
    {IDD_ABOUT,
     "STATIC",
     IDC_ABOUT_CONTACT,
     "Write to the Marblequake team",
     SHOWN | SS_CENTER,
     {11, 59, 112, 8}},
    {IDD_ABOUT, "STATIC", IDC_ABOUT_SPARE, "", SHOWN | SS_CENTER, {11, 52, 112, 8}},
};

TEST(ResourcesTest, DialogTemplatesHoldTheDesignedControls) {
  for (int dialog : {IDD_HIGH_SCORES, IDD_CUSTOM_SIZE, IDD_ABOUT}) {
    std::vector<std::string> expected;
    for (const Row& row : Design) {
      if (row.Dialog == dialog) expected.push_back(Line(row.Kind, row.Id, row.Text, row.Style, 0, row.Box));
    }
    EXPECT_EQ(DecodeDialog(dialog), expected) << "dialog " << dialog;
  }
}

}  // namespace
}  // namespace mqtest
