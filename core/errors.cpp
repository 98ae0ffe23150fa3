#include "core/errors.h"

#include "core/text.h"

namespace nurumo {

RangeError::RangeError() : GameError(Sjis("範囲チェックエラー")) {}

OverflowError::OverflowError() : GameError(Sjis("整数のオーバーフロー")) {}

}  // namespace nurumo
