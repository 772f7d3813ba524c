// TCommandDispatcher: the table of handlers behind MainWindowCore::Execute. Each command id has at
// most one handler; the window registers its own at creation, and each operation on results
// registers the handlers of its commands when it is wired to the window, so MainWindowCore never
// grows a case per command.
#pragma once

#include <array>
#include <functional>
#include <initializer_list>

#include "app/commands.h"

namespace skarvo {

using TCommandHandler = std::function<void()>;

class TCommandDispatcher {
 public:
  // Makes handler the one run for each of ids (a menu item and its tool button usually
  // share one), replacing what was registered before.
  void Register(std::initializer_list<CommandId> ids, const TCommandHandler& handler);
  // True when a handler is registered for id.
  bool Has(CommandId id) const { return static_cast<bool>(handlers_[Index(id)]); }
  // Runs the handler of id; false (and nothing done) when none is registered.
  bool Run(CommandId id) const;

 private:
  static size_t Index(CommandId id) { return static_cast<size_t>(id); }
  std::array<TCommandHandler, kCommandCount> handlers_;
};

}  // namespace skarvo
