#pragma once

namespace vx::integration {

class IntegrationHost;

// The commands of the Option page that reach outside the project: the helper folders, the
// database engine switch, registering the debugger library, copying the runtime files, the
// shortcuts and the IDE's default configuration.
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

private:
    IntegrationHost& m_host;
};

} // namespace vx::integration
