// Sayings for the ending screen, the afterword export and the two-digit
// number format of the voice files.
#include "extras/saying.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "core/text.h"
#include "game/game.h"
#include "game/messages.h"
#include "script/script.h"

namespace nurumo {

namespace {

// Why a write failed, in words a player reads; the file layer gives the C
// library's English text.
struct FailureWords {
  int error_number;
  const char* japanese;  // UTF-8
};
constexpr std::array<FailureWords, 6> kFailureWords{{
    {EACCES, "フォルダに書き込む権限がありません。"},
    {EPERM, "フォルダに書き込む権限がありません。"},
    {EROFS, "フォルダが読み取り専用です。"},
    {ENOSPC, "ディスクの空きが足りません。"},
    {ENOENT, "フォルダが見つかりません。"},
    {EISDIR, "同じ名前のフォルダがあります。"},
}};

std::string ReasonInJapanese(const std::string& utf8_reason) {
  for (const FailureWords& words : kFailureWords) {
    if (utf8_reason == std::strerror(words.error_number)) return Sjis(words.japanese);
  }
  std::string cp932;
  if (!TryUtf8ToCp932(utf8_reason, cp932)) cp932 = "?";
  return Sjis("書き込みに失敗しました（") + cp932 + Sjis("）。");
}

}  // namespace

// The file is optional: missing, it leaves the list empty.
void LoadSayings(Game& game) {
  std::vector<std::string>& list = game.sayings.SayingList;
  list.clear();
  ReadTextLines(game.platform.Files(), "dat\\sayings.txt", list);
  std::erase_if(list, [](const std::string& line) { return line.empty(); });  // lines of spaces stay
}

void FreeSayings(Game& game) { game.sayings.SayingList = {}; }

// A missing source gives an empty afterword, written all the same. A file
// that cannot be written is told in an error box, and the game goes on as if
// it had been: the clear notice then leaves out the line about the file.
void ExportAfterword(Game& game) {
  std::vector<std::string> lines;
  ReadTextLines(game.platform.Files(), "dat\\a.dat", lines);  // taken whole: "//" means nothing here
  std::string text;
  for (const std::string& line : lines) text += CryptLine(line) + "\r\n";

  std::string reason;
  bool written = game.platform.Files().WriteAtomic(Sjis("あとがき.txt"), text, reason);
  if (!written) {
    ShowMessage(game, Sjis("ぬるも。"),
                Sjis("『あとがき.txt』を出力できませんでした。\r\n") + ReasonInJapanese(reason),
                BoxIcon::Error);
  }
  std::string notice = Sjis("ゲームクリアです。\r\nお疲れ様でした。");
  if (written) notice += Sjis("\r\nフォルダに『あとがき.txt』を出力しました。");
  ShowMessage(game, Sjis("クリア"), notice, BoxIcon::Information);
}

// The voice files are numbered "00".."99"; larger numbers keep all digits.
std::string TwoDigits(int32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace nurumo
