#include "shell/menu.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>

#include "core/text.h"
#include "gfx/raster.h"
#include "platform/system.h"
#include "shell/history.h"
#include "shell/settings.h"

namespace nurumo {

namespace {

constexpr FontSpec kItemFont{12, true, false, false};
constexpr FontSpec kSmallFont{9, false, false, false};
constexpr FontSpec kSmallBold{9, true, false, false};
constexpr std::array<const char*, 8> kTopItems = {"続ける", "戻る", "セーブ", "ロード", "履歴", "設定", "タイトルへ", "終了"};

// Layout, in the picture's pixels.
constexpr int kTopLeft = 148, kTopWidth = 120, kTopRow = 22, kTopFirst = 40;
constexpr int kPageLeft = 2, kPageTop = 2, kPageRight = 414, kPageBottom = 254;
constexpr int kListFirst = 24, kSettingRow = 24, kHistoryRow = 14;
// A slot row holds two lines of the small font with room to spare in every
// way of drawing text; seven rows show at once, the list scrolls under them.
constexpr int kSlotRow = 30, kSlotRows = 7, kSlotRight = 268;
constexpr int kAskLeft = 98, kAskTop = 78, kAskWidth = 220, kAskHeight = 100;

// A white panel framed in black: readable over any effect beneath.
void Panel(Surface& s, int left, int top, int right, int bottom) {
  FillRect(s, left, top, right, bottom, kBlack);
  FillRect(s, left + 2, top + 2, right - 2, bottom - 2, kWhite);
}

// The text cut to `width` pixels, whole characters, "…" where it was cut.
std::string Fit(TextRasterizer& text, const std::string& cp932, const FontSpec& font, int width) {
  if (text.MeasureWidth(cp932, font) <= width) return cp932;
  const std::string dots = Sjis("…");
  std::string cut;
  for (std::size_t i = 0; i < cp932.size();) {
    const std::size_t n = CharLength(cp932, i);
    if (text.MeasureWidth(cut + cp932.substr(i, n) + dots, font) > width) break;
    cut += cp932.substr(i, n);
    i += n;
  }
  return cut + dots;
}

std::string SavedAt(int64_t seconds) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!LocalTime(when, local)) return "";
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M", &local);
  return stamp;
}

std::string SlotLabel(const std::string& name) {
  if (name == "auto") return Sjis("オート");
  if (name == "quick") return Sjis("クイック");
  return name;
}

// A damaged slot, another game's and a newer version's are told apart.
const char* SlotProblemShortJa(SlotProblem problem) {
  switch (problem) {
    case SlotProblem::OtherGame: return "別のゲーム";
    case SlotProblem::Newer: return "新しい版";
    case SlotProblem::Folder:
    case SlotProblem::Unreadable: return "読めません";
    default: return "壊れています";
  }
}

// Small marks at the top and bottom of a list that goes on beyond its view.
void ScrollMarks(Surface& s, TextRasterizer& text, int x, int top, int bottom, bool more_above, bool more_below) {
  if (more_above) text.Draw(s, x, top + 1, Sjis("▲"), kSmallFont, kBlack, nullptr);
  if (more_below) text.Draw(s, x, bottom - 13, Sjis("▼"), kSmallFont, kBlack, nullptr);
}

std::string PlayTime(int64_t ms) {
  const int64_t minutes = std::max<int64_t>(ms, 0) / 60000;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(minutes / 60),
                static_cast<long long>(minutes % 60));
  return Sjis("プレイ時間 ") + text;
}

// The slot under the cursor, told in full beside the list: its picture, when
// it was saved, the level, the place, the moods and the time played.
void DrawSlotDetails(Surface& s, TextRasterizer& text, const SlotFile& file, const std::string& note) {
  const int x = kSlotRight + 10, right = kPageRight - 8;
  int y = kListFirst + 6;
  auto detail = [&](const std::string& cp932, const FontSpec& font = kSmallFont) {
    text.Draw(s, x, y, Fit(text, cp932, font, right - x), font, kBlack, nullptr);
    y += 15;
  };
  if (file.problem == SlotProblem::None && !file.summary.thumbnail.empty()) {
    FillRect(s, x - 1, y - 1, x + kThumbWidth + 1, y + kThumbHeight + 1, kBlack);
    for (int row = 0; row < kThumbHeight; ++row)
      std::copy_n(file.summary.thumbnail.data() + static_cast<std::ptrdiff_t>(row) * kThumbWidth * 3, kThumbWidth * 3,
                  s.Row(y + row) + x * 3);
    y += kThumbHeight + 6;
  }
  if (file.problem == SlotProblem::Missing) {
    detail(Sjis("空きスロット"));
  } else if (file.problem != SlotProblem::None) {
    detail(Sjis(SlotProblemTextJa(file.problem)));
  } else {
    const SlotSummary& sum = file.summary;
    detail(SavedAt(sum.saved_at));
    detail(Sjis("レベル ") + std::to_string(sum.level));
    detail(sum.where_cp932);
    detail(MoodWordsOf(sum.level, sum.params));
    detail(PlayTime(sum.play_ms));
  }
  if (!note.empty()) {
    y = kPageBottom - 22;
    detail(note, kSmallBold);
  }
}

}  // namespace

std::string MenuData::SettingNote(std::size_t row) { return SettingRows()[row].note; }

void Menu::Open() {
  stack_.clear();
  Push(MenuPage::Top);
}

void Menu::Push(MenuPage page) {
  stack_.push_back(Level{page});
  if (page == MenuPage::Save) LoadSlotLines(false);
  if (page == MenuPage::Load) LoadSlotLines(true);
}

void Menu::Ask(const std::string& question, MenuResult on_yes) {
  Level level{MenuPage::Confirm};
  level.cursor = 1;  // いいえ first: a stray ENTER changes nothing
  level.question = question;
  level.on_yes = std::move(on_yes);
  stack_.push_back(std::move(level));
}

void Menu::Refresh() {
  if (page() == MenuPage::Save || page() == MenuPage::Load) LoadSlotLines(page() == MenuPage::Load);
}

void Menu::LoadSlotLines(bool with_auto) {
  slot_names_.clear();
  slot_files_.clear();
  if (with_auto) {
    slot_names_.push_back("quick");
    slot_names_.push_back("auto");
  }
  for (int i = 1; i <= 9; ++i) slot_names_.push_back(std::to_string(i));
  for (const std::string& name : slot_names_) slot_files_.push_back(data_.ReadSlot(name));
}

int Menu::ItemCount() const {
  switch (page()) {
    case MenuPage::Top: return static_cast<int>(kTopItems.size());
    case MenuPage::Save:
    case MenuPage::Load: return static_cast<int>(slot_names_.size());
    case MenuPage::Settings: return static_cast<int>(SettingRows().size());
    case MenuPage::Confirm: return 2;
    case MenuPage::History: return 0;
  }
  return 0;
}

std::vector<Menu::Item> Menu::Items() const {
  std::vector<Item> items;
  const int count = ItemCount();
  for (int i = 0; i < count; ++i) {
    switch (page()) {
      case MenuPage::Top:
        items.push_back({kTopLeft + 2, kTopFirst + kTopRow * i, kTopLeft + kTopWidth - 2, kTopFirst + kTopRow * (i + 1)});
        break;
      case MenuPage::Save:
      case MenuPage::Load: {
        const int row = i - stack_.back().scroll;
        if (row < 0 || row >= kSlotRows) {
          items.push_back({0, 0, 0, 0});  // scrolled away: nothing to click
          break;
        }
        items.push_back({kPageLeft + 4, kListFirst + kSlotRow * row, kSlotRight, kListFirst + kSlotRow * (row + 1)});
        break;
      }
      case MenuPage::Settings:
        items.push_back({kPageLeft + 4, kListFirst + kSettingRow * i, kPageRight - 4, kListFirst + kSettingRow * (i + 1)});
        break;
      case MenuPage::Confirm:
        items.push_back({kAskLeft + 60, kAskTop + 40 + 24 * i, kAskLeft + kAskWidth - 60, kAskTop + 40 + 24 * (i + 1)});
        break;
      case MenuPage::History: break;
    }
  }
  return items;
}

MenuResult Menu::Key(int vk) {
  if (stack_.empty()) return {};
  Level& level = stack_.back();
  const int count = ItemCount();
  if (vk == vk::kEscape) {
    stack_.pop_back();
    return stack_.empty() ? MenuResult{MenuResult::Kind::Close} : MenuResult{};
  }
  if (level.page == MenuPage::History) {
    const int lines = static_cast<int>(data_.HistoryLines().size());
    if (vk == vk::kUp) level.scroll = std::min(level.scroll + 1, std::max(0, lines - 1));
    if (vk == vk::kDown) level.scroll = std::max(level.scroll - 1, 0);
    if (vk == vk::kSpace || vk == vk::kEnter) stack_.pop_back();
    return {};
  }
  if (level.page == MenuPage::Confirm && (vk == vk::kY || vk == vk::kN)) {
    level.cursor = vk == vk::kY ? 0 : 1;
    return Pick();
  }
  if (vk == vk::kUp) level.cursor = level.cursor > 0 ? level.cursor - 1 : count - 1;  // wraps
  if (vk == vk::kDown) level.cursor = level.cursor + 1 < count ? level.cursor + 1 : 0;
  if (level.page == MenuPage::Save || level.page == MenuPage::Load)  // the cursor's row stays in view
    level.scroll = std::clamp(level.scroll, level.cursor - kSlotRows + 1, level.cursor);
  if (vk == vk::kUp || vk == vk::kDown) level.note.clear();
  if ((level.page == MenuPage::Save || level.page == MenuPage::Load) && vk == vk::kDelete) {
    const auto i = static_cast<std::size_t>(level.cursor);
    if (slot_files_[i].problem == SlotProblem::Missing) return {};
    Ask(Sjis("削除しますか？"), {MenuResult::Kind::Delete, slot_names_[i]});
    return {};
  }
  if (level.page == MenuPage::Settings && (vk == vk::kLeft || vk == vk::kRight))
    return Step(vk == vk::kLeft ? -1 : 1);
  if (vk == vk::kSpace || vk == vk::kEnter) return Pick();
  return {};
}

MenuResult Menu::Click(int x, int y) {
  if (stack_.empty()) return {};
  const std::vector<Item> items = Items();
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    if (x >= item.left && x < item.right && y >= item.top && y < item.bottom) {
      stack_.back().cursor = static_cast<int>(i);
      return Pick();
    }
  }
  if (page() == MenuPage::History) stack_.pop_back();  // a click anywhere closes the history
  return {};
}

MenuResult Menu::Pick() {
  Level& level = stack_.back();
  const int cursor = level.cursor;
  switch (level.page) {
    case MenuPage::Top:
      switch (cursor) {
        case 0: stack_.clear(); return {MenuResult::Kind::Close};
        case 1: stack_.clear(); return {MenuResult::Kind::Rollback};
        case 2: Push(MenuPage::Save); return {};
        case 3: Push(MenuPage::Load); return {};
        case 4: Push(MenuPage::History); return {};
        case 5: Push(MenuPage::Settings); return {};
        case 6: Ask(Sjis("タイトルに戻りますか？"), {MenuResult::Kind::ToTitle}); return {};
        default: Ask(Sjis("終了しますか？"), {MenuResult::Kind::Quit}); return {};
      }
    case MenuPage::Save: {
      const auto i = static_cast<std::size_t>(cursor);
      MenuResult save{MenuResult::Kind::Save, slot_names_[i]};
      if (slot_files_[i].problem == SlotProblem::Missing) return save;
      Ask(Sjis("上書きしますか？"), save);
      return {};
    }
    case MenuPage::Load: {
      const auto i = static_cast<std::size_t>(cursor);
      if (slot_files_[i].problem != SlotProblem::None) {  // empty or refused: says why
        level.note = Sjis(slot_files_[i].problem == SlotProblem::Missing ? "このスロットは空きです"
                                                                       : SlotProblemTextJa(slot_files_[i].problem));
        return {};
      }
      Ask(Sjis("ロードしますか？"), {MenuResult::Kind::Load, slot_names_[i]});  // one stray ENTER loses nothing
      return {};
    }
    case MenuPage::Settings: {
      const std::size_t row = static_cast<std::size_t>(cursor);
      const int value = data_.SettingValue(row);
      const int low = std::max(SettingRows()[row].low, row == 0 ? 1 : 0);
      return {MenuResult::Kind::Setting, "", row, value >= data_.SettingHigh(row) ? low : value + 1};  // round
    }
    case MenuPage::Confirm: {
      MenuResult yes = level.on_yes;
      stack_.pop_back();
      return cursor == 0 ? yes : MenuResult{};
    }
    case MenuPage::History: return {};
  }
  return {};
}

MenuResult Menu::Step(int delta) {
  const auto row = static_cast<std::size_t>(stack_.back().cursor);
  const int low = std::max(SettingRows()[row].low, row == 0 ? 1 : 0);  // the scale is at least 1 once chosen
  const int value = std::clamp(data_.SettingValue(row) + delta, low, data_.SettingHigh(row));
  if (value == data_.SettingValue(row)) return {};
  return {MenuResult::Kind::Setting, "", row, value};
}

void Menu::Draw(Surface& s, TextRasterizer& text) {
  if (stack_.empty()) return;
  const Level& level = stack_.back();
  const std::vector<Item> items = Items();
  auto line = [&](int x, int y, const std::string& cp932, const FontSpec& font, bool inverted, int width = 390) {
    text.Draw(s, x, y, Fit(text, cp932, font, width), font, inverted ? kWhite : kBlack, nullptr);
  };
  auto bar = [&](int i) {
    const Item& item = items[static_cast<std::size_t>(i)];
    FillRect(s, item.left, item.top, item.right, item.bottom, kBlack);
  };
  auto header = [&](const char* title, const char* hint) {
    Panel(s, kPageLeft, kPageTop, kPageRight, kPageBottom);
    line(12, 5, Sjis(title), kItemFont, false);
    const std::string help = Sjis(hint);
    text.Draw(s, kPageRight - 8 - text.MeasureWidth(help, kSmallFont), 8, help, kSmallFont, kBlack, nullptr);
    DrawLine(s, kPageLeft + 4, kListFirst - 2, kPageRight - 4, kListFirst - 2, kBlack);
  };

  switch (level.page) {
    case MenuPage::Top: {
      Panel(s, kTopLeft, kTopFirst - 8, kTopLeft + kTopWidth, kTopFirst + kTopRow * static_cast<int>(kTopItems.size()) + 8);
      for (int i = 0; i < static_cast<int>(kTopItems.size()); ++i) {
        if (i == level.cursor) bar(i);
        line(kTopLeft + 18, kTopFirst + kTopRow * i + 3, Sjis(kTopItems[static_cast<std::size_t>(i)]), kItemFont,
             i == level.cursor);
      }
      break;
    }
    case MenuPage::Save:
    case MenuPage::Load: {
      header(level.page == MenuPage::Save ? "セーブ" : "ロード", "↑↓ 選ぶ　Enter 決定　Del 削除　Esc 戻る");
      DrawLine(s, kSlotRight + 2, kListFirst, kSlotRight + 2, kPageBottom - 4, kBlack);
      const int count = static_cast<int>(slot_names_.size());
      for (int i = level.scroll; i < std::min(count, level.scroll + kSlotRows); ++i) {
        const bool on = i == level.cursor;
        if (on) bar(i);
        const int y = kListFirst + kSlotRow * (i - level.scroll);
        const SlotFile& file = slot_files_[static_cast<std::size_t>(i)];
        line(12, y + 9, SlotLabel(slot_names_[static_cast<std::size_t>(i)]), kSmallBold, on, 40);
        if (file.problem == SlotProblem::Missing) {
          line(56, y + 9, Sjis("―― 空き ――"), kSmallFont, on);
        } else if (file.problem != SlotProblem::None) {
          line(56, y + 9, Sjis(SlotProblemShortJa(file.problem)), kSmallFont, on);
        } else {
          const SlotSummary& sum = file.summary;
          line(56, y + 2, sum.caption_cp932, kSmallBold, on, 200);
          line(56, y + 15, sum.where_cp932, kSmallFont, on, 200);
        }
      }
      ScrollMarks(s, text, kSlotRight - 12, kListFirst, kListFirst + kSlotRow * kSlotRows, level.scroll > 0,
                  level.scroll + kSlotRows < count);
      DrawSlotDetails(s, text, slot_files_[static_cast<std::size_t>(level.cursor)], level.note);
      break;
    }
    case MenuPage::History: {
      header("履歴", "↑↓ 戻る・進む　Esc 閉じる");
      const auto& lines = data_.HistoryLines();
      const int rows = (kPageBottom - 4 - kListFirst) / kHistoryRow;
      const int last = static_cast<int>(lines.size()) - level.scroll;  // one past the newest shown
      const int first = std::max(0, last - rows);
      for (int i = first; i < last; ++i) {
        const std::string& shown = lines[static_cast<std::size_t>(i)];
        const int y = kListFirst + 2 + kHistoryRow * (i - first);
        if (shown == History::kRule) {
          DrawLine(s, 40, y + kHistoryRow / 2, kPageRight - 40, y + kHistoryRow / 2, {160, 160, 160});
        } else {
          line(12, y, shown, kSmallFont, false, 370);
        }
      }
      if (lines.empty()) line(12, kListFirst + 2, Sjis("まだ何もありません"), kSmallFont, false);
      // Where the view stands: a bar along the right edge, its length the part shown.
      const int total = static_cast<int>(lines.size());
      if (total > rows) {
        const int top = kListFirst + 2, height = kPageBottom - 6 - top, x = kPageRight - 12;
        DrawLine(s, x + 2, top, x + 2, top + height, {160, 160, 160});
        const int bar_top = top + height * first / total, bar_bottom = top + height * last / total;
        FillRect(s, x, bar_top, x + 5, std::max(bar_bottom, bar_top + 3), kBlack);
      }
      break;
    }
    case MenuPage::Settings: {
      header("設定", "↑↓ 選ぶ　←→ 変える　Esc 戻る");
      for (int i = 0; i < static_cast<int>(SettingRows().size()); ++i) {
        const bool on = i == level.cursor;
        if (on) bar(i);
        const SettingRow& row = SettingRows()[static_cast<std::size_t>(i)];
        const int y = kListFirst + kSettingRow * i + 4;
        const int value = data_.SettingValue(static_cast<std::size_t>(i));
        const char* name = value >= 0 && value < static_cast<int>(row.names.size()) ? row.names[static_cast<std::size_t>(value)] : nullptr;
        std::string shown = name ? name : std::to_string(value);
        if (row.field == &Settings::scale) shown = "x" + shown;
        line(16, y, Sjis(row.label), kItemFont, on);
        line(170, y, Sjis(shown + data_.SettingNote(static_cast<std::size_t>(i))), kItemFont, on, 230);
      }
      break;
    }
    case MenuPage::Confirm: {
      Panel(s, kAskLeft, kAskTop, kAskLeft + kAskWidth, kAskTop + kAskHeight);
      const int width = text.MeasureWidth(level.question, kItemFont);
      text.Draw(s, kAskLeft + (kAskWidth - width) / 2, kAskTop + 12, level.question, kItemFont, kBlack, nullptr);
      const std::array<std::string, 2> answers = {Sjis("はい (Y)"), Sjis("いいえ (N)")};
      for (int i = 0; i < 2; ++i) {
        if (i == level.cursor) bar(i);
        const Item& item = items[static_cast<std::size_t>(i)];
        const int w = text.MeasureWidth(answers[static_cast<std::size_t>(i)], kItemFont);
        text.Draw(s, (item.left + item.right - w) / 2, item.top + 3, answers[static_cast<std::size_t>(i)], kItemFont,
                  i == level.cursor ? kWhite : kBlack, nullptr);
      }
      break;
    }
  }
}

}  // namespace nurumo
