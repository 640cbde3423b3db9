// The group picker's list: the 17 symmetry groups, each named by its group and pictured by a
// picture resource of the module instead of a file.
#pragma once
#include "framework/ThumbnailList.h"

namespace app {

class GroupList : public framework::ThumbnailList {
 public:
  GroupList() = default;
  // The loader calls this class's LoadItem: it must stop while this part still exists.
  ~GroupList() override { StopLoader(); }

  // Adds the groups in method order; names already held are skipped, so a second fill adds none.
  void AddGroups();

  int LoadItem(int index) override;
  CString GetToolTipText(int index) override;
  bool CanReorder() override { return false; }
  void OpenItem(int) override {}
};

}  // namespace app
