// The filter's help page, which lies beside the module, opened in the user's web browser.
#pragma once
#include <string>

namespace app {

// Opens Help/wendleforge.html from the module's folder, or says why it cannot: the page is
// missing, or no browser could be started; always true.
bool ShowHelp();
// A "mailto:" link goes to the shell as it is; otherwise the browser opens the link when
// `useBrowser` and one is registered, else the shell opens the link itself. False when the
// shell could start nothing.
bool OpenInBrowser(const std::string& link, bool useBrowser);
// The default browser's program from the registry, kept in `cache` for later calls.
std::string GetBrowserCommand(std::string& cache);

}  // namespace app
