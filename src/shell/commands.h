#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace lumetch {

// Command identifiers the shell handles besides the file, clipboard and
// creation commands of the core.
inline constexpr int32_t kCmdNewKey = 57600, kCmdSaveKey = 57603, kCmdUndoKey = 57643,
                         kCmdPrint = 57607, kCmdPrintDirect = 57608, kCmdPrintPreview = 57609,
                         kCmdPrintSetup = 57606, kCmdEngrave = 32790, kCmdExit = 57665,
                         kCmdToggleToolbar = 59392, kCmdToggleStatusBar = 59393, kCmdGrid = 32798,
                         kCmdAbout = 57664, kCmdZoomIn = 1501, kCmdZoomOut = 1502,
                         kCmdCentre = 32793, kCmdCentreX = 32795, kCmdCentreY = 32796,
                         kCmdMirrorX = 32815, kCmdMirrorY = 32816, kCmdStepUp = 32808,
                         kCmdStepDown = 32810, kCmdOutputMode = 32817, kCmdColourBox = 32819,
                         kCmdFont = 32826, kCmdNextPane = 57680, kCmdPrevPane = 57681,
                         kCmdRedo = 57644;
// A setting of this program's own, outside the original command set.
inline constexpr int32_t kCmdPlotFirstPair = 32900;
// Goes on with a stopped marking job where it stopped.
inline constexpr int32_t kCmdResume = 32901;
// The data source of the layout's data fields.
inline constexpr int32_t kCmdDataSource = 32902;

// One menu item; id 0 is a separator. Labels are UTF-8, with the shortcut
// shown after a tab.
struct MenuItem {
  int32_t id;
  std::string_view label;
};

struct Menu {
  std::string_view title;
  std::vector<MenuItem> items;
};

// The menu bar, left to right.
const std::vector<Menu>& menu_table();

// Toolbar buttons in order; 0 is a separator.
const std::vector<int32_t>& main_toolbar_ids();
const std::vector<int32_t>& drawing_toolbar_ids();

// One accelerator: a key in QKeySequence's portable text form.
struct Accelerator {
  std::string_view keys;
  int32_t id;
};
const std::vector<Accelerator>& accelerator_table();

// What a command identifier runs.
enum class Route {
  Create,  // a creation command
  New,
  Open,
  Save,
  Cut,
  Copy,
  Paste,
  Engrave,
  Resume,
  DataSource,
  About,
  Exit,
  ToggleToolbar,
  ToggleStatusBar,
  NextPane,
  PreviousPane,
  ZoomIn,
  ZoomOut,
  Grid,
  Print,
  PrintDirect,
  PrintPreview,
  PrintSetup,
  ColourBox,
  OutputMode,
  Font,
  Undo,
  Redo,
  Centre,
  CentreLeftRight,
  CentreTopBottom,
  StepLarger,
  StepSmaller,
  MirrorX,
  MirrorY,
  PlotFirstPair,  // toggles how plot files are read
  NotAvailable,   // a command of a part of the program not built yet
  Unknown,
};
Route route_of(int32_t id);

// Status text (description) and tool tip of a command.
struct CommandText {
  std::string_view description;
  std::string_view tip;
};
CommandText command_text(int32_t id);

}  // namespace lumetch
