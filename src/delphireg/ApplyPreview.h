#pragma once

#include "platform/registry/RegistryStore.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vx {

class ConfigProject;
class PathBridge;
class PathMacro;

// One change Apply makes to a key or a value of the key trees it writes.
struct RegistryChange
{
    enum class Kind { KeyAdded, KeyRemoved, ValueAdded, ValueRemoved, ValueChanged };
    // What the user knows the key or value as: by the key it lives in (the IDE's Experts key,
    // Known Packages and Disabled Packages, Transfer for the Tools menu, the Search Path value of
    // Library); everything else is Other.
    enum class Group { Experts, Packages, Tools, SearchPath, Other };

    Group group = Group::Other;
    Kind kind = Kind::ValueChanged;
    RegRoot root = RegRoot::CurrentUser;
    QString path;                     // the key below its root, its names as the store gives them
    std::optional<RegValue> oldValue; // the value before Apply; none for an added value and for keys
    std::optional<RegValue> newValue; // the value after Apply; none for a removed value and for keys
    QString oldData, newData;         // the values' data as registryDataText shows it, else empty

    bool isKeyChange() const { return kind == Kind::KeyAdded || kind == Kind::KeyRemoved; }
    // "HKEY_CURRENT_USER\Software\..."
    QString keyName() const;
    // The value's name (empty for the key's default value and for key changes).
    QString valueName() const;
};

// What Apply would change in the IDE's registry: every key and value of the trees Apply writes
// (keysWrittenBy(SnapshotOperation::Apply)), read from `scratch` before and after the project is
// applied to it, compared. Names compare as the registry compares them (case ignored); a value
// changes when its type or its bytes do. A removed or added key brings a change for itself and
// one for each value and key below it. Ordered by group (in the order of Group), then by key
// tree, key and value name. `scratch` is changed: the caller hands a store it never commits (a
// HiveRegistryStore keeps its changes in memory until commit()). OperationError from reading or
// applying propagates.
std::vector<RegistryChange> previewApply(RegistryStore& scratch, const ConfigProject& project,
                                         const PathMacro& macro, const PathBridge& bridge);

// A value's data for reading: strings as their text, multi-strings as their items joined by
// "\0", DWORDs and QWORDs as unsigned decimal numbers, binary data as hex bytes ("0A FF 00");
// any other type, or a number of another size, as "hex(<type>): " and the bytes.
QString registryDataText(const RegValue& value);

// The counts, first line of a preview: "Apply makes 2 expert changes, 1 tool change and 3 other
// value changes." (only the groups that change), or "Nothing would change."
QString applyPreviewSummary(const std::vector<RegistryChange>& changes);

// The changes for reading, under a heading per group ("Experts:", ..., "Other values:"), a line
// per key ("  HKEY_...\path", with ": key added" or ": key removed") and an indented line per
// value: "    added Name = data", "    removed Name = data", "    changed Name: old -> new".
QStringList applyPreviewLines(const std::vector<RegistryChange>& changes);

// "key-added", "key-removed", "value-added", "value-removed", "value-changed".
QString registryChangeKindName(RegistryChange::Kind kind);
// "experts", "packages", "tools", "searchPath", "other".
QString registryChangeGroupName(RegistryChange::Group group);

} // namespace vx
