#include "platform/machine.h"

namespace nurumo {

bool HidingMayEnd() { return false; }  // a desktop window is closed, not dropped

}  // namespace nurumo
