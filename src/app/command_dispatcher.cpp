#include "app/command_dispatcher.h"

namespace skarvo {

void TCommandDispatcher::Register(std::initializer_list<CommandId> ids,
                                  const TCommandHandler& handler) {
  for (CommandId id : ids) {
    if (id != CommandId::kCount) handlers_[Index(id)] = handler;
  }
}

bool TCommandDispatcher::Run(CommandId id) const {
  if (id == CommandId::kCount || !handlers_[Index(id)]) return false;
  // A copy: a handler may register another in its place while it runs.
  const TCommandHandler handler = handlers_[Index(id)];
  handler();
  return true;
}

}  // namespace skarvo
