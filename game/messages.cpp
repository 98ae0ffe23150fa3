#include "game/messages.h"

#include "core/errors.h"
#include "core/text.h"
#include "game/game.h"

namespace nurumo {

void ShowMessage(Game& game, const std::string& caption_cp932, const std::string& text_cp932,
                 BoxIcon icon) {
  game.trace.Event("msgbox").Str("caption", caption_cp932).Str("text", text_cp932);
  game.platform.MessageBox(caption_cp932, text_cp932, icon);
}

void ShowError(Game& game, const std::exception& error) {
  std::string text;
  if (const auto* own = dynamic_cast<const GameError*>(&error)) {
    text = own->text();
  } else {
    // A library's own message is UTF-8 (or ASCII); show it as the game shows text.
    std::string converted;
    text = TryUtf8ToCp932(error.what(), converted) ? converted : std::string(error.what());
  }
  ShowMessage(game, Sjis("ぬるも。"), text, BoxIcon::Error);
}

void SetCaption(Game& game, const std::string& cp932) {
  game.caption = cp932;
  game.trace.Event("caption").Str("text", cp932);
  game.platform.SetCaption(cp932);
}

void RequestTerminate(Game& game) {
  if (!game.terminate) game.trace.Event("quit");
  game.terminate = true;
}

}  // namespace nurumo
