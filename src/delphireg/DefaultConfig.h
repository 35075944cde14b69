#pragma once

#include "platform/registry/RegistryStore.h"

#include <QString>

namespace vx {

// What the default configuration is made of besides its fixed tables.
struct DefaultConfigInputs
{
    QString delphiRoot; // Windows form, ends with "\"
    QString sdkHelp;    // the Win32 SDK help folder as the settings keep it
    bool bde = false;   // write the database engine's keys
    QString bdePath;    // the database engine's folder, usually ending with "\"
};

// "LocalSharedRoot": the help folder without its last seven characters (its "\MSHelp" or
// "MSHelp\") when it is longer than eight, else the folder itself.
QString localSharedRoot(const QString& sdkHelp);

// Replaces the IDE's configuration with the standard installation's: deletes the three key trees,
// then writes the base values, the default expert, the known IDE and design-time packages, the
// library paths, the four Tools entries and the help locations (HKEY_LOCAL_MACHINE in the IDE's
// 32-bit view), and the database engine's keys when enabled. A write that fails raises
// OperationError; the deletions and the writes before it stay in the store for the caller to
// commit, as on Windows.
void writeDefaultConfiguration(RegistryStore& store, const DefaultConfigInputs& inputs);

} // namespace vx
