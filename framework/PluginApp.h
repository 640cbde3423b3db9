// The application base of a filter module and the dispatch of the host's selectors to its hooks.
// The continue step moves the pixels through the HostImage member; a derived application
// overrides the checks and the run hook.
#pragma once
#include <cstdint>

#include "framework/HostImage.h"
#include "platform/host/PluginInterface.h"

namespace framework {

class PluginApp {
 public:
  PluginApp() = default;
  virtual ~PluginApp() = default;
  PluginApp(const PluginApp&) = delete;
  PluginApp& operator=(const PluginApp&) = delete;

  // Module start and end.
  virtual bool InitInstance();
  virtual int ExitInstance();

  // One hook per selector 0 .. 5; each answers a host result.
  virtual host::OSErr OnAbout(host::FilterRecord* record, std::intptr_t* data);
  virtual host::OSErr OnParameters(host::FilterRecord* record, std::intptr_t* data);
  virtual host::OSErr OnPrepare(host::FilterRecord* record, std::intptr_t* data);
  virtual host::OSErr OnStart(host::FilterRecord* record, std::intptr_t* data);
  virtual host::OSErr OnContinue(host::FilterRecord* record, std::intptr_t* data);
  virtual host::OSErr OnFinish(host::FilterRecord* record, std::intptr_t* data);

  virtual bool IsSupportedMode(host::FilterRecord* record, void* platformData);
  virtual bool CanRun();
  virtual bool Run() { return true; }
  // True for a run whose render treats the colour channels alike, so that the host's buffer
  // need not be put into the core's order and back (see HostImage::SetChannelsAlike).
  virtual bool RendersChannelsAlike() { return false; }

  HostImage& GetHostImage() { return hostImage_; }

 private:
  HostImage hostImage_;
};

// Selectors 0 .. 5 call the hooks and store their answer; any other leaves the result alone.
// Nothing escapes: an exception from a hook becomes a host error (memFullErr for lack of
// memory, userCanceledErr for a cancelled core operation, filterFailedErr otherwise).
void DispatchSelector(PluginApp& app, std::int16_t selector, host::FilterRecord* record, std::intptr_t* data,
                      std::int16_t* result);

// Asks for the whole image: every rectangle over it, every plane.
host::OSErr RequestWholeImage(host::FilterRecord* record, std::intptr_t* data);
host::OSErr OnNothing(host::FilterRecord* record, std::intptr_t* data);

}  // namespace framework
