#pragma once

namespace vx::integration {

class IntegrationHost;

// The commands of the Option page that reach outside the project: the helper folders, the
// database engine switch, registering the debugger library, copying the runtime files, the
// shortcuts, the IDE's default configuration, and starting the IDE.
class EnvironmentCommands
{
  public:
    explicit EnvironmentCommands(IntegrationHost& host) : m_host(host) {}

    void RzButtonWinSDKClick();
    void RzButtonBDEpathClick();
    void RzCheckBoxBDEenClick();
    void RzBitBtnBordbkClick();
    void RzButtonRegDebugClick();
    void RzBitBtnCopyFilesClick();
    void RzButtonShortcutClick();
    void RzBitBtnDelShortcutClick();
    void RzBitBtnRecoverClick();
    // Starts the IDE through Wine, not waited for.
    void RzBitBtnLaunchClick();

  private:
    IntegrationHost& m_host;
};

} // namespace vx::integration
