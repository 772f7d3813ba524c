#include "ops/result_operations.h"

namespace skarvo {

TResultOperations::TResultOperations(OpsParts parts, OpsCommandSwitches switches)
    : p_(parts),
      switches_(std::move(switches)),
      backup_(parts.tempFolder.TempFolder(), &parts.tempFolder),
      restore_(&lastOverwrite_) {}

void TResultOperations::N12Click() { lastOverwrite_ = skarvo::N12Click(p_, switches_, backup_); }

}  // namespace skarvo
