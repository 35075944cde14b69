#pragma once

#include "platform/registry/RegistryStore.h"

namespace vx {

// Two hives in memory and no files: for tests of the layers above. Commit only marks the
// changes as done (or fails with a message set by the test).
class MemoryRegistryStore final : public HiveBackedStore
{
  public:
    explicit MemoryRegistryStore(WineHive::Arch arch = WineHive::Arch::Win32)
        : m_user(WineHive::createNew(WineHive::kUserRelativeTo, arch)),
          m_machine(WineHive::createNew(WineHive::kMachineRelativeTo, arch)), m_committed{m_user.save(),
                                                                                          m_machine.save()}
    {
    }

    void commit() override
    {
        m_committed[0] = m_user.save();
        m_committed[1] = m_machine.save();
        discardChanges();
    }
    void discardChanges() override
    {
        m_user = WineHive::parse(m_committed[0], QStringLiteral("user.reg"));
        m_machine = WineHive::parse(m_committed[1], QStringLiteral("system.reg"));
    }
    // The hive file this store would write.
    QByteArray hiveBytes(HiveFile file) const { return hive(file).save(); }

  protected:
    WineHive& hive(HiveFile file) const override { return file == HiveFile::User ? m_user : m_machine; }
    const WineHive* loadedHive(HiveFile file) const override { return &hive(file); }

  private:
    mutable WineHive m_user;
    mutable WineHive m_machine;
    QByteArray m_committed[2]; // the user and machine hives as last committed
};

} // namespace vx
