// The installed presenter.
#include "platform/ui/Presenter.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Presenter*> installed{nullptr};
}  // namespace

void SetPresenter(Presenter* presenter) { installed.store(presenter); }

Presenter* GetPresenter() { return installed.load(); }

}  // namespace platform
