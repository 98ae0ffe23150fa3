// Errors the game treats as faults. Each carries the text that the error box
// shows, in CP932 like every other text inside the game.
#pragma once

#include <stdexcept>
#include <string>

namespace nurumo {

class GameError : public std::runtime_error {
 public:
  explicit GameError(const std::string& cp932_text) : std::runtime_error(cp932_text) {}
  const char* text() const noexcept { return what(); }  // CP932, as the box shows it
};

// An index outside its array: "範囲チェックエラー".
class RangeError : public GameError {
 public:
  RangeError();
};

// A signed 32-bit result out of range: "整数のオーバーフロー".
class OverflowError : public GameError {
 public:
  OverflowError();
};

// A word that is not the number it should be, a text CP932 cannot hold.
class ConversionError : public GameError {
 public:
  using GameError::GameError;
};

// A file that is missing or cannot be read or written; the text names it.
class FileError : public GameError {
 public:
  using GameError::GameError;
};

}  // namespace nurumo
