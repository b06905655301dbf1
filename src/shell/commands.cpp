#include "shell/commands.h"

#include "commands/create_object.h"
#include "commands/layout_commands.h"

namespace lumetch {

const std::vector<Menu>& menu_table() {
  static const std::vector<Menu> menus = {
      {"ファイル",
       {{kCmdNew, "新規...\tCtrl+N"},
        {kCmdOpen, "開く...\tCtrl+O"},
        {kCmdSave, "保存...\tCtrl+S"},
        {0, ""},
        {kCmdPrint, "印刷...\tCtrl+P"},
        {kCmdPrintPreview, "印刷プレビュー"},
        {kCmdPrintSetup, "印刷設定"},
        {0, ""},
        {kCmdEngrave, "彫刻開始...\t F1"},
        {kCmdResume, "彫刻再開..."},
        {0, ""},
        {kCmdExit, "終了"}}},
      {"描画",
       {{kCmdLine, "直線"},
        {kCmdRectangle, "四角形"},
        {kCmdCircle, "円形"},
        {kCmdTriangle, "三角形"},
        {kCmdRhombus, "菱形"},
        {kCmdPolygon, "多角形"},
        {kCmdLineText, "直線文字列"},
        {kCmdArcText, "回し文字"},
        {kCmdPlt, "PLT読込"},
        {kCmdPlotFirstPair, "Plot files: first pair of PU/PD/PA only"},
        {kCmdBmp, "BMP読込"},
        {kCmdBarcode, "バーコード"},
        {kCmdCode, "2次元コード"}}},
      {"編集",
       {{kCmdUndoKey, "元に戻す\tCtrl+Z"},
        {kCmdRedo, "やり直し\tCtrl+Y"},
        {0, ""},
        {kCmdCut, "カット\tCtrl+X"},
        {kCmdCopy, "コピー\tCtrl+C"},
        {kCmdPaste, "ペースト\tCtrl+V"}}},
      {"オプション",
       {{kCmdToggleToolbar, "ツールバー"},
        {kCmdToggleStatusBar, "ステータスバー"},
        {kCmdGrid, "グリッド"},
        {kCmdDataSource, "可変データの設定..."}}},
      {"ヘルプ", {{kCmdAbout, "バージョン情報"}}},
  };
  return menus;
}

const std::vector<int32_t>& main_toolbar_ids() {
  static const std::vector<int32_t> ids = {kCmdPrint,
                                           0,
                                           kCmdNew,
                                           0,
                                           kCmdOpen,
                                           kCmdSave,
                                           0,
                                           kCmdCut,
                                           kCmdCopy,
                                           kCmdPaste,
                                           0,
                                           kCmdEngrave,
                                           0,
                                           kCmdZoomIn,
                                           kCmdZoomOut,
                                           0,
                                           kCmdCentre,
                                           kCmdCentreX,
                                           kCmdCentreY,
                                           0,
                                           kCmdMirrorX,
                                           kCmdMirrorY,
                                           0,
                                           kCmdOutputMode,
                                           0,
                                           kCmdStepUp,
                                           kCmdStepDown,
                                           0,
                                           kCmdColourBox,
                                           0,
                                           kCmdFont,
                                           0,
                                           kCmdAbout};
  return ids;
}

const std::vector<int32_t>& drawing_toolbar_ids() {
  static const std::vector<int32_t> ids = {
      kCmdLine,     kCmdRectangle, kCmdCircle, kCmdTriangle, kCmdRhombus, kCmdPolygon, 0,
      kCmdLineText, kCmdArcText,   0,          kCmdPlt,      kCmdBmp,     kCmdVct,     0,
      kCmdBarcode,  kCmdCode};
  return ids;
}

const std::vector<Accelerator>& accelerator_table() {
  static const std::vector<Accelerator> keys = {
      {"Ctrl+C", kCmdCopy},    {"Ctrl+Ins", kCmdCopy},         {"Ctrl+X", kCmdCut},
      {"Shift+Del", kCmdCut},  {"Ctrl+V", kCmdPaste},          {"Shift+Ins", kCmdPaste},
      {"Ctrl+O", kCmdOpen},    {"Ctrl+P", kCmdPrint},          {"F1", kCmdEngrave},
      {"F6", kCmdNextPane},    {"Shift+F6", kCmdPrevPane},     {"Ctrl+N", kCmdNewKey},
      {"Ctrl+S", kCmdSaveKey}, {"Alt+Backspace", kCmdUndoKey}, {"Ctrl+Z", kCmdUndoKey},
      {"Ctrl+Y", kCmdRedo},    {"Ctrl+Shift+Z", kCmdRedo}};
  return keys;
}

Route route_of(int32_t id) {
  if (creation_type(id) != 0) return Route::Create;
  switch (id) {
    // Ctrl+N and Ctrl+S send their own identifiers; they reach New and Save
    // as the menu shows them.
    case kCmdNew:
    case kCmdNewKey:
      return Route::New;
    case kCmdOpen:
      return Route::Open;
    case kCmdSave:
    case kCmdSaveKey:
      return Route::Save;
    case kCmdCut:
      return Route::Cut;
    case kCmdCopy:
      return Route::Copy;
    case kCmdPaste:
      return Route::Paste;
    case kCmdEngrave:
      return Route::Engrave;
    case kCmdResume:
      return Route::Resume;
    case kCmdDataSource:
      return Route::DataSource;
    case kCmdAbout:
      return Route::About;
    case kCmdExit:
      return Route::Exit;
    case kCmdToggleToolbar:
      return Route::ToggleToolbar;
    case kCmdToggleStatusBar:
      return Route::ToggleStatusBar;
    case kCmdNextPane:
      return Route::NextPane;
    case kCmdPrevPane:
      return Route::PreviousPane;
    case kCmdZoomIn:
      return Route::ZoomIn;
    case kCmdZoomOut:
      return Route::ZoomOut;
    case kCmdGrid:
      return Route::Grid;
    case kCmdPrint:
      return Route::Print;
    case kCmdPrintDirect:
      return Route::PrintDirect;
    case kCmdPrintPreview:
      return Route::PrintPreview;
    case kCmdPrintSetup:
      return Route::PrintSetup;
    case kCmdOutputMode:
      return Route::OutputMode;
    case kCmdColourBox:
      return Route::ColourBox;
    case kCmdFont:
      return Route::Font;
    case kCmdUndoKey:
      return Route::Undo;
    case kCmdRedo:
      return Route::Redo;
    case kCmdCentre:
      return Route::Centre;
    case kCmdCentreX:
      return Route::CentreLeftRight;
    case kCmdCentreY:
      return Route::CentreTopBottom;
    case kCmdMirrorX:
      return Route::MirrorX;
    case kCmdMirrorY:
      return Route::MirrorY;
    case kCmdStepUp:
      return Route::StepLarger;
    case kCmdStepDown:
      return Route::StepSmaller;
    case kCmdPlotFirstPair:
      return Route::PlotFirstPair;
    default:
      return Route::Unknown;
  }
}

CommandText command_text(int32_t id) {
  switch (id) {
    case kCmdLine:
      return {"直線を定義する", "直線"};
    case kCmdEngrave:
      return {"彫刻を開始する", "彫刻開始"};
    case kCmdResume:
      return {"Go on with the stopped job from where it stopped", "彫刻再開"};
    case kCmdDataSource:
      return {"Choose the data file, next row and shift table the data fields are filled from",
              "可変データの設定"};
    case kCmdRectangle:
      return {"四角形を定義する", "四角形"};
    case kCmdCircle:
      return {"円形を定義する", "円形"};
    case kCmdTriangle:
      return {"三角形を定義する", "三角形"};
    case kCmdRhombus:
      return {"菱形を定義する", "菱形"};
    case kCmdPolygon:
      return {"多角形を定義する", "多角形"};
    case kCmdLineText:
      return {"直線文字列を定義する", "直線文字列"};
    case kCmdArcText:
      return {"回し文字を定義する", "回し文字"};
    case kCmdPlt:
      return {"PLTファイルを読み込む", "PLT読込"};
    case kCmdPlotFirstPair:
      return {"Read PU, PD and PA of plot files with their first pair only, as before",
              "Plot files: first pair only"};
    case kCmdBmp:
      return {"BMPファイルを読み込む", "BMP読込"};
    case kCmdVct:
      return {"VCTファイルを読み込む", "VCT読込"};
    case kCmdBarcode:
      return {"バーコードを定義する", "バーコード"};
    case kCmdCode:
      return {"2次元コードを定義する", "2次元コード"};
    case kCmdNew:
      return {"Create a new layout", "New"};
    case kCmdOpen:
      return {"Open a layout", "Open"};
    case kCmdSave:
      return {"Save the layout", "Save"};
    case kCmdCut:
      return {"Cut the selection to the clipboard", "Cut"};
    case kCmdCopy:
      return {"Copy the selection to the clipboard", "Copy"};
    case kCmdPaste:
      return {"Paste the clipboard", "Paste"};
    case kCmdUndoKey:
      return {"Undo the last change", "Undo"};
    case kCmdRedo:
      return {"Redo the change undone last", "Redo"};
    case kCmdPrint:
      return {"Print the layout", "Print"};
    case kCmdZoomIn:
      return {"Zoom in", "Zoom in"};
    case kCmdZoomOut:
      return {"Zoom out", "Zoom out"};
    case kCmdCentre:
      return {"Centre the selection on the field", "Centre"};
    case kCmdCentreX:
      return {"Centre the selection horizontally", "Centre horizontally"};
    case kCmdCentreY:
      return {"Centre the selection vertically", "Centre vertically"};
    case kCmdMirrorX:
      return {"Mirror the selection in X", "Mirror X"};
    case kCmdMirrorY:
      return {"Mirror the selection in Y", "Mirror Y"};
    case kCmdOutputMode:
      return {"Choose the output mode", "Output mode"};
    case kCmdStepUp:
      return {"Larger nudge step", "Larger step"};
    case kCmdStepDown:
      return {"Smaller nudge step", "Smaller step"};
    case kCmdColourBox:
      return {"Choose the layer", "Colour"};
    case kCmdFont:
      return {"Choose the font", "Font"};
    case kCmdAbout:
      return {"Show the program's version", "About"};
    default:
      return {"", ""};
  }
}

}  // namespace lumetch
