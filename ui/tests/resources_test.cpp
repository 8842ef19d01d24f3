// The dialog templates as the resource compiler wrote them into the exe: a
// style bit added or lost on the way (windres makes every CONTROL visible
// unless told otherwise) shows here, not only when a player sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
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

std::string ClassName(std::string name) {
  static const char* const Predefined[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  if (name.size() > 1 && name[0] == '#') {
    const int atom = std::stoi(name.substr(1));
    return atom >= 0x80 && atom <= 0x85 ? Predefined[atom - 0x80] : name;
  }
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
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
  const char* Kind;
  int Id;
  const char* Text;
  DWORD Style;
  short Box[4];
};

std::vector<std::string> Expected(std::initializer_list<Row> rows, int dialog) {
  std::vector<std::string> lines;
  for (const Row& row : rows)
    lines.push_back(Line(row.Kind, row.Id == -2 ? dialog : row.Id, row.Text, row.Style, 0, row.Box));
  return lines;
}

TEST(ResourcesTest, DialogTemplatesHoldTheDesignedControls) {
  const char* const font = "DIALOG   8 MS Sans Serif";  // no menu, no class
  std::vector<std::string> scores = Expected(
      {
          {font, -2, "High Scores", DIALOG_STYLE, {0, 0, 205, 122}},
          {"BUTTON", IDOK, "&Close", BUTTON | BS_CENTER, {149, 64, 50, 14}},
      },
      IDD_HIGH_SCORES);
  for (int k = 0; k < 10; ++k) {
    const short box[4] = {8, static_cast<short>(8 + 9 * k), 136, 8};
    scores.push_back(Line("STATIC", IDC_SCORE_LINE_FIRST + k, "", SHOWN | SS_LEFT, 0, box));
  }
  for (const std::string& line : Expected(
           {{"COMBOBOX", IDC_LEVEL_LIST, "", LIST, {9, 103, 60, 45}},
            {"COMBOBOX", IDC_SIZE_LIST, "", LIST, {74, 103, 50, 60}},
            // Hidden until a record of this run is shown, and without a border.
            {"EDIT", IDC_NAME_FIELD, "", WS_CHILD | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, {36, 8, 72, 8}},
            {"BUTTON", IDC_CLEAR_SCORES, "Clear &Scores", BUTTON | BS_CENTER, {149, 6, 50, 14}},
            {"BUTTON", IDC_NEW_GAME, "&New Game", BUTTON | BS_CENTER, {149, 102, 50, 14}},
            {"BUTTON", IDC_REPLAY_GAME, "&Replay Game", BUTTON | BS_CENTER, {149, 83, 50, 14}}},
           0))
    scores.push_back(line);
  EXPECT_EQ(DecodeDialog(IDD_HIGH_SCORES), scores);

  EXPECT_EQ(DecodeDialog(IDD_CUSTOM_SIZE),
            Expected({{font, -2, "", DIALOG_STYLE, {0, 0, 135, 67}},
                      {"BUTTON", IDOK, "OK", BUTTON, {12, 44, 50, 14}},
                      {"BUTTON", IDCANCEL, "Cancel", BUTTON, {72, 44, 50, 14}},
                      {"COMBOBOX", IDC_COLUMNS_LIST, "", LIST, {72, 4, 50, 120}},
                      {"COMBOBOX", IDC_ROWS_LIST, "", LIST, {72, 21, 50, 120}},
                      {"STATIC", -1, "Columns:", SHOWN | SS_LEFT, {12, 7, 56, 8}},
                      {"STATIC", -1, "Rows:", SHOWN | SS_LEFT, {12, 23, 56, 8}}},
                     IDD_CUSTOM_SIZE));

  EXPECT_EQ(DecodeDialog(IDD_ABOUT),
            Expected({{font, -2, "About", DIALOG_STYLE, {0, 0, 135, 74}},
                      {"STATIC", IDC_ABOUT_VERSION, "", SHOWN | SS_CENTER, {11, 34, 112, 8}},
                      {"STATIC", -1, "#1", SHOWN | SS_ICON, {55, 2, 32, 30}},
                      {"STATIC", IDC_ABOUT_CREDIT, "", SHOWN | SS_CENTER, {11, 44, 112, 8}},
                      {"STATIC",
                       IDC_ABOUT_CONTACT,
                       "Write to the Marblequake team",
                       SHOWN | SS_CENTER,
                       {11, 59, 112, 8}},
                      {"STATIC", IDC_ABOUT_SPARE, "", SHOWN | SS_CENTER, {11, 52, 112, 8}}},
                     IDD_ABOUT));
}

}  // namespace
}  // namespace mqtest
