// Every surface of the game: created and loaded once at start-up, freed at
// shutdown, plus the grey levels and the light-spot table the effects use.
#include "gfx/assets.h"

#include "core/serializer.h"

#include <cmath>
#include <optional>
#include <string>

#include "core/text.h"
#include "extras/saying.h"
#include "game/game.h"
#include "gfx/picture_size.h"
#include "platform/files.h"

namespace nurumo {

namespace {

constexpr int kPanelWidth = 162;

// "dat\nuru" + two digits + ".bmp": 00..09 keep their leading zero.
std::string BackgroundPath(int n) { return "dat\\nuru" + TwoDigits(n) + ".bmp"; }

}  // namespace

// A picture that cannot be loaded stops the start-up with an error naming it.
void LoadPicture(Game& game, const std::string& path, Surface& surface) {
  FileSystem& files = game.platform.Files();
  std::string header, reason;
  uint64_t size = 0;
  if (files.ReadHead(path, kBmpHeaderBytes, header, size, reason)) {  // the claim is checked before decoding
    if (auto claim = OversizedBmp(header, size))
      throw FileError(PictureTooLargeText(path, claim->width, claim->height));
    const std::optional<PictureClaim> claim = BmpClaim(header);
    if (claim && game.gfx.PictureBytes + PictureBytes(claim->width, claim->height) > kPictureBudget)
      throw FileError(PicturesOverBudgetText(path, claim->width, claim->height));
    if (BmpHeaderCut(header)) {
      reason = "the header is cut short";
    } else if (game.platform.LoadBmp(files.Resolve(path), surface, reason)) {
      game.gfx.PictureBytes += PictureBytes(surface.width, surface.height);
      MakeRowTable(surface);
      return;
    }
  }
  std::string reason_cp932;
  if (!TryUtf8ToCp932(reason, reason_cp932)) reason_cp932.assign(1, '?');
  std::string text = Sjis("画像ファイルを読み込めません: ");
  text.append(path).append(" (").append(reason_cp932).append(")");
  text.append(Sjis("\nフォルダ: ")).append(Utf8ToCp932Lossy(Utf8Of(game.platform.Files().Resolve(path).parent_path())));
  throw FileError(text);
}

namespace {

// Band k of the strip is the lettering ORed over grey 40k.
void BuildFontStrip(Assets& gfx, const Surface& lettering) {
  CreateSurface(gfx.FontStrip, gfx.FontWidth, 6 * gfx.FontHeight);
  for (int k = 0; k < 6; ++k) {
    auto grey = static_cast<uint8_t>(40 * k);
    for (int y = k * gfx.FontHeight; y < (k + 1) * gfx.FontHeight; ++y) {
      uint8_t* row = gfx.FontStrip.Row(y);
      std::fill(row, row + 3 * gfx.FontWidth, grey);
    }
    BitBlt(gfx.FontStrip, 0, k * gfx.FontHeight, gfx.FontWidth, gfx.FontHeight, lettering, 0, 0, Rop::SrcPaint);
  }
}

void FillSpotTable(Assets& gfx) {
  for (int dx = 0; dx < 63; ++dx)
    for (int dy = 0; dy < 63; ++dy) {
      int d = (dx - 31) * (dx - 31) + (dy - 31) * (dy - 31);
      gfx.SpotTable[dx][dy] = static_cast<uint8_t>(std::trunc(40.0 * std::exp(-d / 100.0)));
    }
}

}  // namespace

const Surface& WhiteSurface(const Game& game) { return game.gfx.GreySurfaces[8]; }
const Surface& BlackSurface(const Game& game) { return game.gfx.GreySurfaces[0]; }

void CreateSurfaces(Game& game) {
  Assets& gfx = game.gfx;
  for (std::size_t i = 0; i < gfx.GreyLevels.size(); ++i) {
    auto level = static_cast<uint8_t>((i * 255) >> 3);  // 0, 31, 63 ... 255: not multiples of 32
    gfx.GreyLevels[i] = {level, level, level};
  }
  gfx.DotColour = gfx.GreyLevels[0];
  game.flow.TitleCounter = 0;
  LoadAssets(game);
}

void LoadAssets(Game& game) {
  Assets& gfx = game.gfx;
  Surface lettering;
  for (int n = 0; n < 19; ++n) LoadPicture(game, BackgroundPath(n), gfx.BackgroundSurfaces[n]);
  CreateSurface(gfx.StageSurface, kScreenWidth, kScreenHeight);
  LoadPicture(game, "dat\\nurumofont.bmp", lettering);
  gfx.FontWidth = lettering.width;
  gfx.FontHeight = lettering.height;
  BuildFontStrip(gfx, lettering);
  for (int i = 0; i < 9; ++i) FillSurface(gfx.GreySurfaces[i], kScreenWidth, kScreenHeight, gfx.GreyLevels[i]);
  FillSpotTable(gfx);
  CreateSurface(gfx.FrameSurface, kScreenWidth, kScreenHeight);
  CreateSurface(gfx.SpareSurface, kScreenWidth, kScreenHeight);
  CreateSurface(gfx.PanelInvertedSurface, kPanelWidth, PanelHeight(game, 5));
  CreateSurface(gfx.PanelSurface, kPanelWidth, PanelHeight(game, 5));
  LoadPicture(game, "dat\\cursol.bmp", gfx.CursorInvertedSurface);
  LoadPicture(game, "dat\\cursol.bmp", gfx.CursorSurface);
  CopySurface(gfx.CursorInvertedSurface, gfx.CursorSurface, Rop::NotSrcCopy);
  SetBackground(game, game.random(19));
}

void FreeSurfaces(Game& game) {
  Assets& gfx = game.gfx;
  for (Surface& s : gfx.BackgroundSurfaces) s = Surface();
  for (Surface* s : {&gfx.StageSurface, &gfx.FontStrip}) *s = Surface();
  for (Surface& s : gfx.GreySurfaces) s = Surface();
  for (Surface* s : {&gfx.FrameSurface, &gfx.SpareSurface, &gfx.PanelInvertedSurface, &gfx.PanelSurface,
                     &gfx.CursorInvertedSurface, &gfx.CursorSurface})
    *s = Surface();
}

void SetBackground(Game& game, int32_t n) {
  game.trace.Event("background").Int("n", n);
  CheckRange(n, 0, 18);
  SetStage(game, game.gfx.BackgroundSurfaces[static_cast<std::size_t>(n)]);
}

// The stage is the picture ORed with grey 191: each channel ends up 191 or
// 255 by its bit 6 alone, a washed-out picture that text reads well on.
void SetStage(Game& game, const Surface& surface) {
  CopySurface(game.gfx.StageSurface, surface, Rop::SrcCopy);
  CopySurface(game.gfx.StageSurface, game.gfx.GreySurfaces[6], Rop::SrcPaint);
}

int PanelHeight(const Game& game, int32_t level) {
  if (level == 0) level = game.player.Level;
  return 45 + 15 * level;
}

void Present(Game& game) { game.platform.Present(game.gfx.FrameSurface); }

namespace {

void SyncSized(Serializer& s, Surface& surface, int min_width, int min_height, bool exact, const char* what) {
  Sync(s, surface);
  if (!s.loading()) return;
  bool fits = exact ? surface.width == min_width && surface.height == min_height
                    : surface.width >= min_width && surface.height >= min_height;
  if (!fits) throw SerializeError(std::string(what) + " has the wrong size");
}

}  // namespace

void Sync(Serializer& s, Assets& gfx) {
  SyncSized(s, gfx.StageSurface, kScreenWidth, kScreenHeight, true, "the stage");
  SyncSized(s, gfx.FrameSurface, kScreenWidth, kScreenHeight, true, "the frame");
  SyncSized(s, gfx.SpareSurface, kScreenWidth, kScreenHeight, false, "the spare picture");  // the ending picture's size
  SyncSized(s, gfx.PanelSurface, kPanelWidth, 120, true, "the panel");
  SyncSized(s, gfx.PanelInvertedSurface, kPanelWidth, 120, true, "the inverted panel");
}

}  // namespace nurumo
