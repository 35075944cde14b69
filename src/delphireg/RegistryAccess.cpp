#include "delphireg/RegistryAccess.h"

#include "platform/Errors.h"

#include <array>

using namespace Qt::StringLiterals;

namespace vx {

QString registryText(const QByteArray& data)
{
    return RegValue{{}, REG_SZ, data}.text();
}

RegistryAccess::RegistryAccess(RegistryStore& store) : m_store(store) {}

QString RegistryAccess::invalidDataType(const QString& name)
{
    return u"Invalid data type for '"_s + name + u'\'';
}

QString RegistryAccess::failedToGet(const QString& name)
{
    return u"Failed to get data for '"_s + name + u'\'';
}

QString RegistryAccess::failedToSet(const QString& name)
{
    return u"Failed to set data for '"_s + name + u'\'';
}

void RegistryAccess::SetRootKey(RegRoot root)
{
    CloseKey();
    m_root = root;
}

QString RegistryAccess::resolve(const QString& path) const
{
    const bool absolute = path.startsWith(u'\\');
    const QStringList parts = splitKeyPath(path);
    if (absolute || !m_open)
        return parts.join(u'\\');
    if (parts.isEmpty())
        return m_path;
    return m_path.isEmpty() ? parts.join(u'\\') : m_path + u'\\' + parts.join(u'\\');
}

bool RegistryAccess::OpenKey(const QString& path, bool canCreate)
{
    const QString full = resolve(path);
    const bool ok = canCreate ? m_store.createKey(m_root, full) : m_store.keyExists(m_root, full);
    if (!ok)
        return false;
    m_open = true;
    m_path = full;
    return true;
}

bool RegistryAccess::OpenKeyReadOnly(const QString& path)
{
    const QString full = resolve(path);
    if (!m_store.keyExists(m_root, full))
        return false;
    m_open = true;
    m_path = full;
    return true;
}

void RegistryAccess::CloseKey()
{
    m_open = false;
    m_path.clear();
}

QString RegistryAccess::ReadString(const QString& name) const
{
    if (!m_open)
        return {};
    const auto v = m_store.value(m_root, m_path, name);
    if (!v)
        return {};
    if (v->type != REG_SZ && v->type != REG_EXPAND_SZ)
        throw OperationError(invalidDataType(name));
    return registryText(v->data);
}

qint32 RegistryAccess::ReadInteger(const QString& name) const
{
    const auto v = m_open ? m_store.value(m_root, m_path, name) : std::nullopt;
    if (!v)
        throw OperationError(failedToGet(name));
    if (v->type != REG_DWORD || v->data.size() < 4)
        throw OperationError(invalidDataType(name));
    quint32 x = 0;
    for (int i = 0; i < 4; ++i)
        x |= quint32(uchar(v->data[i])) << (8 * i);
    return qint32(x);
}

void RegistryAccess::WriteString(const QString& name, const QString& text)
{
    if (!m_open || !m_store.setValue(m_root, m_path, RegValue::string(name, text)))
        throw OperationError(failedToSet(name));
}

void RegistryAccess::WriteInteger(const QString& name, qint32 value)
{
    if (!m_open || !m_store.setValue(m_root, m_path, RegValue::dword(name, quint32(value))))
        throw OperationError(failedToSet(name));
}

bool RegistryAccess::ValueExists(const QString& name) const
{
    return m_open && m_store.value(m_root, m_path, name).has_value();
}

QStringList RegistryAccess::GetValueNames() const
{
    return m_open ? m_store.valueNames(m_root, m_path) : QStringList();
}

QStringList RegistryAccess::GetKeyNames() const
{
    return m_open ? m_store.subKeyNames(m_root, m_path) : QStringList();
}

RegistryAccess::DataType RegistryAccess::GetDataType(const QString& name) const
{
    const auto v = m_open ? m_store.value(m_root, m_path, name) : std::nullopt;
    if (!v)
        return DataType::Unknown;
    switch (v->type) {
    case REG_SZ:
        return DataType::String;
    case REG_EXPAND_SZ:
        return DataType::ExpandString;
    case REG_DWORD:
        return DataType::Integer;
    case REG_BINARY:
        return DataType::Binary;
    default:
        return DataType::Unknown;
    }
}

int RegistryAccess::GetDataSize(const QString& name) const
{
    const auto v = m_open ? m_store.value(m_root, m_path, name) : std::nullopt;
    return v ? int(v->data.size()) : -1;
}

QByteArray RegistryAccess::ReadBinaryData(const QString& name) const
{
    const auto v = m_open ? m_store.value(m_root, m_path, name) : std::nullopt;
    if (!v)
        throw OperationError(failedToGet(name));
    return v->data;
}

bool RegistryAccess::DeleteKey(const QString& path)
{
    const QString full = resolve(path);
    if (full.isEmpty() || !m_store.keyExists(m_root, full))
        return false;
    if (m_open && (m_path.compare(full, Qt::CaseInsensitive) == 0 ||
                   m_path.startsWith(full + u'\\', Qt::CaseInsensitive)))
        CloseKey();
    return m_store.deleteTree(m_root, full);
}

void DeleteKeyTree(RegistryStore& store, RegRoot root, const QString& path)
{
    RegistryAccess access(store);
    access.SetRootKey(root);
    access.DeleteKey(path);
}

const std::array<DelphiKeyTree, 3>& DelphiKeyTrees()
{
    static const std::array<DelphiKeyTree, 3> trees = {{
        {RegRoot::CurrentUser, u"Software\\Borland\\Delphi\\7.0"_s},
        {RegRoot::CurrentUser, u"Software\\Borland\\Debugging\\7.0"_s},
        {RegRoot::LocalMachine, u"SOFTWARE\\Borland\\Delphi\\7.0"_s},
    }};
    return trees;
}

} // namespace vx
