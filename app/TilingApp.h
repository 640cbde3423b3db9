// The module's application object: the tiling command, the input checks with their message
// boxes, the scripting descriptor on prepare and finish, and the run.
#pragma once
#include <memory>

#include "app/TilingCommand.h"
#include "framework/PluginApp.h"

namespace app {

class TilingApp : public framework::PluginApp {
 public:
  TilingApp() = default;
  ~TilingApp() override;

  bool InitInstance() override;
  host::OSErr OnPrepare(host::FilterRecord* record, std::intptr_t* data) override {
    return OnPrepareParameters(record, data);
  }
  host::OSErr OnFinish(host::FilterRecord* record, std::intptr_t* data) override;
  bool IsSupportedMode(host::FilterRecord* record, void* platformData) override {
    return CheckImageMode(record, platformData);
  }
  bool CanRun() override { return CheckFilterSize(); }
  bool Run() override { return ShowDialog(); }
  // Without the dialog only the fill reaches anyone, and the tile is sampled, blended and filled
  // channel by channel; the dialog shows the tile and the source, so it needs the core's order.
  bool RendersChannelsAlike() override { return !showDialog_; }

  host::OSErr OnPrepareParameters(host::FilterRecord* record, std::intptr_t* data);
  host::OSErr OnFinishParameters(host::FilterRecord* record, std::intptr_t* data);
  bool CheckImageMode(host::FilterRecord* record, void* platformData);
  bool CheckFilterSize();
  // The run hook: the dialog, or a replayed action's render without it.
  bool ShowDialog();

  TilingCommand* GetCommand() { return command_.get(); }
  bool GetShowDialog() const { return showDialog_; }

 private:
  bool RenderSilently();

  bool showDialog_ = true;
  std::unique_ptr<TilingCommand> command_;
};

}  // namespace app
