#include "platform/machine.h"

namespace nurumo {

bool HidingMayEnd() { return true; }  // a tab hidden may be closed without a word to the page

}  // namespace nurumo
