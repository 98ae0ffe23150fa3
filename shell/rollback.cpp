#include "shell/rollback.h"

#include "core/serializer.h"
#include "shell/slots.h"

namespace nurumo {

void Rollback::Record(const std::string& state, uint32_t at) {
  steps_.push_back({PackState(state), static_cast<uint32_t>(state.size()), at});
  while (steps_.size() > kKeep) steps_.pop_front();
}

std::string Rollback::TakeNewest(uint32_t& at) {
  Step step = std::move(steps_.back());
  steps_.pop_back();
  at = step.at;
  std::string state;
  if (!UnpackState(step.packed, step.size, state)) throw SerializeError("a rollback step does not inflate");
  return state;
}

std::size_t Rollback::bytes() const {
  std::size_t sum = 0;
  for (const Step& step : steps_) sum += step.packed.capacity();
  return sum;
}

}  // namespace nurumo
