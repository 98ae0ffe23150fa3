// The in-window menu over the paused game: 続ける, 戻る, セーブ, ロード, 履歴,
// 設定, タイトルへ, 終了, with their pages and the yes/no questions. It knows only
// what it shows and which item was picked; the shell does the work.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/surface.h"
#include "platform/platform.h"
#include "shell/slots.h"

namespace nurumo {

// What the menu asks of the shell while it draws.
class MenuData {
 public:
  virtual ~MenuData() = default;
  virtual SlotFile ReadSlot(const std::string& slot) = 0;
  virtual const std::deque<std::string>& HistoryLines() = 0;  // CP932, oldest first
  virtual int SettingValue(std::size_t row) = 0;
  virtual int SettingHigh(std::size_t row) = 0;  // the highest value the row takes now
  // UTF-8 words after the value; by default the row's own note.
  virtual std::string SettingNote(std::size_t row);
};

enum class MenuPage { Top, Save, Load, History, Settings, Confirm };

struct MenuResult {
  enum class Kind { None, Close, Rollback, Save, Load, Delete, ToTitle, Quit, Setting };
  Kind kind = Kind::None;
  std::string slot{};   // Save, Load, Delete
  std::size_t row = 0;  // Setting
  int value = 0;        // Setting: the new value
};

class Menu {
 public:
  explicit Menu(MenuData& data) : data_(data) {}

  void Open();
  void Close() { stack_.clear(); }
  bool open() const { return !stack_.empty(); }
  MenuPage page() const { return stack_.empty() ? MenuPage::Top : stack_.back().page; }
  int cursor() const { return stack_.empty() ? 0 : stack_.back().cursor; }
  const std::string& note() const { static const std::string none; return stack_.empty() ? none : stack_.back().note; }

  // UP, DOWN, LEFT, RIGHT, SPACE, ENTER, ESC, Y, N, DELETE; other keys do nothing.
  MenuResult Key(int vk);
  // A left click in the picture's pixels: picks the item under the pointer.
  MenuResult Click(int x, int y);
  // The slot list read again (a slot was deleted under it).
  void Refresh();
  // Draw the menu over the picture (the frozen game picture).
  void Draw(Surface& picture, TextRasterizer& text);

  // Where the items of the page stand, in the picture's pixels; an item
  // scrolled out of view has an empty box.
  struct Item {
    int left, top, right, bottom;
  };
  std::vector<Item> Items() const;

 private:
  struct Level {
    MenuPage page = MenuPage::Top;
    int cursor = 0;
    int scroll = 0;          // History: lines scrolled back from the newest
    std::string question{};  // Confirm, CP932
    std::string note{};      // Load: why the row picked cannot be loaded (CP932)
    MenuResult on_yes{};     // Confirm
  };
  void Push(MenuPage page);
  void Ask(const std::string& question_cp932, MenuResult on_yes);
  int ItemCount() const;
  MenuResult Pick();
  MenuResult Step(int delta);  // Settings: change the value under the cursor
  void LoadSlotLines(bool with_auto);

  MenuData& data_;
  std::vector<Level> stack_;
  std::vector<std::string> slot_names_;
  std::vector<SlotFile> slot_files_;
};

}  // namespace nurumo
