// The in-window menu's pages and answers, with the shell's side faked.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "core/text.h"
#include "gfx/raster.h"
#include "platform/devices.h"
#include "shell/menu.h"
#include "shell/settings.h"

namespace nurumo {
namespace {

class FakeData : public MenuData {
 public:
  SlotFile ReadSlot(const std::string& slot) override {
    SlotFile file;
    auto found = slots.find(slot);
    file.problem = found == slots.end() ? SlotProblem::Missing : found->second;
    file.summary = summary;
    return file;
  }
  const std::deque<std::string>& HistoryLines() override { return history; }
  int SettingValue(std::size_t row) override { return values[row]; }
  int SettingHigh(std::size_t row) override { return row == 0 ? 3 : SettingRows()[row].high; }

  std::map<std::string, SlotProblem> slots;
  SlotSummary summary;
  std::deque<std::string> history;
  std::array<int, 6> values{2, 0, 10, 10, 0, 0};
};

// Keys by name, one after the other; the result of the last.
MenuResult Press(Menu& menu, std::initializer_list<int> keys) {
  MenuResult last;
  for (int key : keys) last = menu.Key(key);
  return last;
}

constexpr int U = vk::kUp, D = vk::kDown, S = vk::kSpace, E = vk::kEscape;

TEST(Menu, TheTopItemsWrapAndEscCloses) {
  FakeData data;
  Menu menu(data);
  menu.Open();
  Press(menu, {U});
  EXPECT_EQ(menu.cursor(), 7) << "UP on the first item wraps to 終了";
  Press(menu, {D});
  EXPECT_EQ(menu.cursor(), 0);
  EXPECT_EQ(Press(menu, {S}).kind, MenuResult::Kind::Close) << "続ける";
  menu.Open();
  EXPECT_EQ(Press(menu, {D, S}).kind, MenuResult::Kind::Rollback) << "戻る closes the menu and goes back";
  EXPECT_FALSE(menu.open());
  menu.Open();
  Press(menu, {D, D, S});
  EXPECT_EQ(menu.page(), MenuPage::Save);
  EXPECT_EQ(Press(menu, {E}).kind, MenuResult::Kind::None) << "Esc goes back one level";
  EXPECT_EQ(menu.page(), MenuPage::Top);
  EXPECT_EQ(Press(menu, {E}).kind, MenuResult::Kind::Close) << "and closes at the top";
  EXPECT_FALSE(menu.open());
}

// Every page is drawn over the picture, and the cursor shows where it is: a
// page that draws nothing, or the same whatever the cursor, shows here.
TEST(Menu, EveryPageIsDrawnAndShowsItsCursor) {
  FakeData data;
  data.history = {Sjis("はじまりはゼロから"), Sjis("　→ 北の小道へ")};
  Menu menu(data);
  const std::unique_ptr<TextRasterizer> text = MakeTtfTextRasterizer(kDefaultTextRendering);
  auto drawn = [&] {
    Surface picture;
    ResizeSurface(picture, 416, 256);
    std::fill(picture.pixels.begin(), picture.pixels.end(), uint8_t{128});
    menu.Draw(picture, *text);
    return picture.pixels;
  };
  const std::vector<uint8_t> plain(416 * 256 * 3, 128);
  struct Page {
    const char* name;
    std::initializer_list<int> keys;  // from the top page
  };
  std::vector<std::vector<uint8_t>> pages;
  for (const Page& page : {Page{"top", {}}, Page{"save", {D, D, S}}, Page{"load", {D, D, D, S}},
                           Page{"history", {D, D, D, D, S}}, Page{"settings", {D, D, D, D, D, S}},
                           Page{"a question", {D, D, D, D, D, D, S}}}) {
    SCOPED_TRACE(page.name);
    menu.Close();
    menu.Open();
    Press(menu, page.keys);
    const std::vector<uint8_t> first = drawn();
    EXPECT_NE(first, plain) << "nothing drawn";
    for (const auto& other : pages) EXPECT_NE(first, other) << "drawn as another page";
    pages.push_back(first);
    if (menu.page() != MenuPage::History) {  // the others have a cursor to move
      Press(menu, {D});
      EXPECT_NE(drawn(), first) << "the cursor moved and nothing showed it";
    }
  }
}

TEST(Menu, SavingOverASlotAsksFirst) {
  FakeData data;
  data.slots["2"] = SlotProblem::None;
  Menu menu(data);
  menu.Open();
  MenuResult empty = Press(menu, {D, D, S, S});  // slot 1 is empty: saved at once
  EXPECT_EQ(empty.kind, MenuResult::Kind::Save);
  EXPECT_EQ(empty.slot, "1");
  menu.Open();
  EXPECT_EQ(Press(menu, {D, D, S, D, S}).kind, MenuResult::Kind::None);
  EXPECT_EQ(menu.page(), MenuPage::Confirm) << "上書きしますか？";
  EXPECT_EQ(Press(menu, {S}).kind, MenuResult::Kind::None) << "いいえ is under the cursor first";
  EXPECT_EQ(menu.page(), MenuPage::Save);
  MenuResult yes = Press(menu, {S, vk::kY});
  EXPECT_EQ(yes.kind, MenuResult::Kind::Save);
  EXPECT_EQ(yes.slot, "2");
}

TEST(Menu, OnlyAGoodSlotCanBeLoadedAndAfterAQuestion) {
  FakeData data;
  data.slots["auto"] = SlotProblem::None;
  data.slots["1"] = SlotProblem::Damaged;
  data.slots["2"] = SlotProblem::OtherGame;
  Menu menu(data);
  menu.Open();
  Press(menu, {D, D, D, S});
  ASSERT_EQ(menu.page(), MenuPage::Load);
  EXPECT_EQ(Press(menu, {S}).kind, MenuResult::Kind::None) << "the quick slot comes first, empty here";
  EXPECT_EQ(menu.note(), Sjis("このスロットは空きです")) << "an empty row says so when picked";
  EXPECT_EQ(Press(menu, {D, D, S}).kind, MenuResult::Kind::None) << "a damaged slot cannot be picked";
  EXPECT_EQ(menu.note(), Sjis("セーブデータが壊れています"));
  EXPECT_EQ(Press(menu, {D, S}).kind, MenuResult::Kind::None);
  EXPECT_EQ(menu.note(), Sjis("別のゲームのセーブデータです")) << "another game's slot is not called damaged";
  EXPECT_EQ(Press(menu, {U, U, S}).kind, MenuResult::Kind::None);
  EXPECT_EQ(menu.page(), MenuPage::Confirm) << "ロードしますか？";
  EXPECT_EQ(Press(menu, {S}).kind, MenuResult::Kind::None) << "いいえ is under the cursor first";
  EXPECT_EQ(menu.page(), MenuPage::Load);
  MenuResult load = Press(menu, {S, vk::kY});
  EXPECT_EQ(load.kind, MenuResult::Kind::Load);
  EXPECT_EQ(load.slot, "auto");
}

TEST(Menu, ASlotIsDeletedAfterAQuestion) {
  FakeData data;
  data.slots["3"] = SlotProblem::None;
  Menu menu(data);
  menu.Open();
  Press(menu, {D, D, S, D, D});  // セーブ, slot 3
  EXPECT_EQ(Press(menu, {vk::kDelete}).kind, MenuResult::Kind::None);
  EXPECT_EQ(menu.page(), MenuPage::Confirm) << "削除しますか？";
  EXPECT_EQ(Press(menu, {vk::kN}).kind, MenuResult::Kind::None);
  MenuResult yes = Press(menu, {vk::kDelete, vk::kY});
  EXPECT_EQ(yes.kind, MenuResult::Kind::Delete);
  EXPECT_EQ(yes.slot, "3");
  EXPECT_EQ(menu.page(), MenuPage::Save) << "the list stays open";
  EXPECT_EQ(Press(menu, {D, vk::kDelete}).kind, MenuResult::Kind::None);
  EXPECT_EQ(menu.page(), MenuPage::Save) << "an empty slot has nothing to delete";
}

TEST(Menu, SettingsStepWithinTheirRange) {
  FakeData data;
  Menu menu(data);
  menu.Open();
  Press(menu, {D, D, D, D, D, S});
  ASSERT_EQ(menu.page(), MenuPage::Settings);
  struct Case {
    std::size_t row;
    int value;
    int key;
    MenuResult::Kind kind;
    int expected;
  };
  for (const Case& c : {Case{0, 2, vk::kRight, MenuResult::Kind::Setting, 3},
                        Case{0, 3, vk::kRight, MenuResult::Kind::None, 0},      // at the top already
                        Case{0, 3, S, MenuResult::Kind::Setting, 1},           // SPACE goes round, from 1
                        Case{2, 0, vk::kLeft, MenuResult::Kind::None, 0},
                        Case{2, 10, vk::kLeft, MenuResult::Kind::Setting, 9},
                        Case{4, 0, S, MenuResult::Kind::Setting, 1},
                        Case{4, 2, S, MenuResult::Kind::Setting, 0},            // the text's three ways go round
                        Case{5, 0, S, MenuResult::Kind::Setting, 1}}) {
    data.values[c.row] = c.value;
    while (static_cast<std::size_t>(menu.cursor()) != c.row) menu.Key(D);
    MenuResult result = menu.Key(c.key);
    EXPECT_EQ(result.kind, c.kind) << "row " << c.row << " from " << c.value;
    if (result.kind == MenuResult::Kind::Setting) {
      EXPECT_EQ(result.row, c.row);
      EXPECT_EQ(result.value, c.expected) << "row " << c.row << " from " << c.value;
    }
  }
}

TEST(Menu, AClickPicksTheItemUnderThePointer) {
  FakeData data;
  Menu menu(data);
  menu.Open();
  EXPECT_EQ(menu.Click(200, 40 + 22 * 4 + 5).kind, MenuResult::Kind::None);
  EXPECT_EQ(menu.page(), MenuPage::History) << "the fifth item is 履歴";
  menu.Click(5, 5);
  EXPECT_EQ(menu.page(), MenuPage::Top) << "a click closes the history";
  EXPECT_EQ(menu.Click(5, 5).kind, MenuResult::Kind::None) << "outside every item nothing happens";
  EXPECT_EQ(menu.page(), MenuPage::Top);
}

// Every slot row holds its two lines in every way of drawing text: no glyph
// reaches the first or the last pixel line of its row, and the second line
// is there.
TEST(Menu, SlotRowsHoldTheirTwoLines) {
  FakeData data;
  for (const std::string& name : SlotNames()) data.slots[name] = SlotProblem::None;
  data.summary.level = 2;
  data.summary.params = {40, 40, 20, 15, 10};
  data.summary.caption_cp932 = Sjis("レベル２　ぐるぐるぐるぐる");
  data.summary.where_cp932 = Sjis("１２．ぎょぎょぎょぎょぎょぎょぎょぎょぎょぎょぎょぎょぎょ");
  for (TextRendering rendering : {TextRendering::Bitmap, TextRendering::Sharp, TextRendering::Smooth}) {
    SCOPED_TRACE(static_cast<int>(rendering));
    std::unique_ptr<TextRasterizer> text = MakeTtfTextRasterizer(rendering);
    Menu menu(data);
    menu.Open();
    Press(menu, {D, D, D, S});
    ASSERT_EQ(menu.page(), MenuPage::Load);
    for (int step = 0; step < 12; ++step, menu.Key(D)) {  // each row under the cursor once, scrolled to the end
      Surface picture;
      FillSurface(picture, 416, 256, {255, 255, 255});
      menu.Draw(picture, *text);
      const std::vector<Menu::Item> items = menu.Items();
      for (std::size_t i = 0; i < items.size(); ++i) {
        const Menu::Item& item = items[i];
        if (item.bottom <= item.top) continue;
        const bool on = static_cast<int>(i) == menu.cursor();
        auto uniform = [&](int y) {
          for (int x = item.left + 4; x < item.right - 16; ++x)
            if (picture.Row(y)[x * 3] != (on ? 0 : 255)) return false;
          return true;
        };
        EXPECT_TRUE(uniform(item.top)) << "row " << i << " at step " << step;
        EXPECT_TRUE(uniform(item.bottom - 1)) << "row " << i << " at step " << step;
        bool second_line = false;
        for (int y = (item.top + item.bottom) / 2 + 2; y < item.bottom - 1 && !second_line; ++y)
          second_line = !uniform(y);
        EXPECT_TRUE(second_line) << "row " << i << " shows no second line";
      }
    }
  }
}

}  // namespace
}  // namespace nurumo
