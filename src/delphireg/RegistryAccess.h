#pragma once

#include "platform/registry/RegistryStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

namespace vx {

// Registry access with the behaviour the IDE's key handling was written against: one root, at
// most one open key, opens that report failure by result, reads and writes that raise
// OperationError with the value's name ("Invalid data type for '%s'", "Failed to get data for
// '%s'", "Failed to set data for '%s'").
class RegistryAccess
{
  public:
    enum class DataType { Unknown, String, ExpandString, Integer, Binary };

    explicit RegistryAccess(RegistryStore& store);
    RegistryAccess(const RegistryAccess&) = delete;
    RegistryAccess& operator=(const RegistryAccess&) = delete;

    RegRoot rootKey() const { return m_root; }
    // Closes the open key, then selects the root.
    void SetRootKey(RegRoot root);

    // A path beginning with "\" is taken from the root, any other from the open key (or the root
    // when none is open); a trailing "\" is ignored. With canCreate every missing key on the path
    // is created. On failure the open key stays as it was.
    bool OpenKey(const QString& path, bool canCreate);
    bool OpenKeyReadOnly(const QString& path);
    void CloseKey();
    bool hasCurrentKey() const { return m_open; }
    const QString& CurrentPath() const { return m_path; }

    QString ReadString(const QString& name) const;
    qint32 ReadInteger(const QString& name) const;
    void WriteString(const QString& name, const QString& text);
    void WriteInteger(const QString& name, qint32 value);
    bool ValueExists(const QString& name) const;
    QStringList GetValueNames() const;
    QStringList GetKeyNames() const;
    DataType GetDataType(const QString& name) const;
    int GetDataSize(const QString& name) const;
    QByteArray ReadBinaryData(const QString& name) const;
    // Deletes the key and everything below it; false (and nothing raised) when it is missing.
    bool DeleteKey(const QString& path);

    // Error texts.
    static QString invalidDataType(const QString& name);
    static QString failedToGet(const QString& name);
    static QString failedToSet(const QString& name);

  private:
    QString resolve(const QString& path) const;

    RegistryStore& m_store;
    RegRoot m_root = RegRoot::CurrentUser;
    bool m_open = false;
    QString m_path; // of the open key, "A\B\C" from the root
};

// Deletes a key tree of a root; silently does nothing when it is missing.
void DeleteKeyTree(RegistryStore& store, RegRoot root, const QString& path);

// The three key trees that hold the IDE's whole registry configuration, in their fixed order.
struct DelphiKeyTree
{
    RegRoot root;
    QString path;
};
const std::array<DelphiKeyTree, 3>& DelphiKeyTrees();

// Text of a string value as stored: UTF-16LE up to the first NUL.
QString registryText(const QByteArray& data);

} // namespace vx
