// TResultOperations: the narrowing, restore, replace and overwrite commands of the main
// window over the window's own pieces. The window's handlers forward here; the window
// decides the enabled states through the two switches and keeps doing its mode changes.
// It keeps what the last overwrite did, so the restore can put the files back.
#pragma once

#include "ops/file_backup.h"
#include "ops/narrow.h"
#include "ops/ops_parts.h"
#include "ops/overwrite.h"
#include "ops/replace.h"
#include "ops/restore.h"

namespace skarvo {

class TResultOperations {
 public:
  // Overwrite backups go under parts.tempFolder's temp folder (home + "/Temp").
  TResultOperations(OpsParts parts, OpsCommandSwitches switches);
  TResultOperations(const TResultOperations&) = delete;
  TResultOperations& operator=(const TResultOperations&) = delete;

  void N3Click() { NarrowTargetList(p_, switches_); }  // "絞込み" (also ToolButton11Click)
  void Replace1Click() { skarvo::Replace1Click(p_, switches_); }  // "置換" (ToolButton10Click)
  void N12Click();                                      // "上書き保存" (OverWriteBClick)
  void Repeat1Click() { restore_.Run(p_, switches_); }  // "元に戻す" (undoBClick)
  void CheckOnFile1Click() { skarvo::CheckOnFile1Click(p_); }
  void CheckOFFFile1Click() { skarvo::CheckOFFFile1Click(p_); }

  // The restore's handlers, for the operations that plug in their own (join, split).
  TRestore& Restore() { return restore_; }
  const TRestore& Restore() const { return restore_; }
  // What the last overwrite did.
  const OverwriteRecord& LastOverwrite() const { return lastOverwrite_; }

 private:
  OpsParts p_;
  OpsCommandSwitches switches_;
  TFileBackup backup_;
  OverwriteRecord lastOverwrite_;
  TRestore restore_;
};

}  // namespace skarvo
