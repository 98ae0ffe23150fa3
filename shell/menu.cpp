#include "shell/menu.h"

#include <algorithm>
#include <array>
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
constexpr std::array<const char*, 7> kTopItems = {"続ける", "セーブ", "ロード", "履歴", "設定", "タイトルへ", "終了"};

// Layout, in the picture's pixels.
constexpr int kTopLeft = 148, kTopWidth = 120, kTopRow = 22, kTopFirst = 51;
constexpr int kPageLeft = 2, kPageTop = 2, kPageRight = 414, kPageBottom = 254;
constexpr int kListFirst = 24, kSlotRow = 23, kSettingRow = 24, kHistoryRow = 14;
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

std::string SlotLabel(const std::string& name) { return name == "auto" ? Sjis("オート") : name; }

}  // namespace

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

void Menu::LoadSlotLines(bool with_auto) {
  slot_names_.clear();
  slot_files_.clear();
  if (with_auto) slot_names_.push_back("auto");
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
      case MenuPage::Load:
        items.push_back({kPageLeft + 4, kListFirst + kSlotRow * i, kPageRight - 4, kListFirst + kSlotRow * (i + 1)});
        break;
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
        case 1: Push(MenuPage::Save); return {};
        case 2: Push(MenuPage::Load); return {};
        case 3: Push(MenuPage::History); return {};
        case 4: Push(MenuPage::Settings); return {};
        case 5: Ask(Sjis("タイトルに戻りますか？"), {MenuResult::Kind::ToTitle}); return {};
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
      if (slot_files_[i].problem != SlotProblem::None) return {};  // empty or refused: cannot be picked
      return {MenuResult::Kind::Load, slot_names_[i]};
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
      Panel(s, kTopLeft, kTopFirst - 8, kTopLeft + kTopWidth, kTopFirst + kTopRow * 7 + 8);
      for (int i = 0; i < static_cast<int>(kTopItems.size()); ++i) {
        if (i == level.cursor) bar(i);
        line(kTopLeft + 18, kTopFirst + kTopRow * i + 3, Sjis(kTopItems[static_cast<std::size_t>(i)]), kItemFont,
             i == level.cursor);
      }
      break;
    }
    case MenuPage::Save:
    case MenuPage::Load: {
      header(level.page == MenuPage::Save ? "セーブ" : "ロード", "↑↓ 選ぶ　Enter 決定　Esc 戻る");
      for (int i = 0; i < static_cast<int>(slot_names_.size()); ++i) {
        const bool on = i == level.cursor;
        if (on) bar(i);
        const int y = kListFirst + kSlotRow * i;
        const SlotFile& file = slot_files_[static_cast<std::size_t>(i)];
        line(12, y + 6, SlotLabel(slot_names_[static_cast<std::size_t>(i)]), kSmallBold, on, 40);
        if (file.problem == SlotProblem::Missing) {
          line(60, y + 6, Sjis("―― 空き ――"), kSmallFont, on);
        } else if (file.problem != SlotProblem::None) {
          line(60, y + 6, Sjis("壊れています"), kSmallFont, on);
        } else {
          const SlotSummary& sum = file.summary;
          line(60, y + 1, sum.caption_cp932, kSmallBold, on, 220);
          line(60, y + 12, sum.where_cp932 + Sjis("　") + MoodWordsOf(sum.level, sum.params), kSmallFont, on, 340);
          const std::string date = SavedAt(sum.saved_at);
          text.Draw(s, kPageRight - 10 - text.MeasureWidth(date, kSmallFont), y + 1, date, kSmallFont,
                    on ? kWhite : kBlack, nullptr);
        }
      }
      break;
    }
    case MenuPage::History: {
      header("履歴", "↑↓ 戻る・進む　Esc 閉じる");
      const auto& lines = data_.HistoryLines();
      const int rows = (kPageBottom - 4 - kListFirst) / kHistoryRow;
      const int last = static_cast<int>(lines.size()) - level.scroll;  // one past the newest shown
      const int first = std::max(0, last - rows);
      for (int i = first; i < last; ++i)
        line(12, kListFirst + 2 + kHistoryRow * (i - first), lines[static_cast<std::size_t>(i)], kSmallFont, false);
      if (lines.empty()) line(12, kListFirst + 2, Sjis("まだ何もありません"), kSmallFont, false);
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
        line(170, y, Sjis(shown + row.note), kItemFont, on, 230);
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
