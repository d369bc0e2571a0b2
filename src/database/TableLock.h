#pragma once

#include <QString>
#include <memory>

// An advisory lock on a PLU table file, held in a small file beside it (the
// table's name with ".lock"), so that two programs never load, change and save
// the same table over each other. Only programs that change the table take it;
// one that only reads it reads a whole file, since every save is a rename. The
// lock ends with the process whatever way it ends, and the file keeps naming
// its last holder.
class TableLock {
  public:
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    // Takes the lock of the table at tablePath, or says in refusal who holds
    // it ("orvexctl import (pid 4242)"). A folder where no lock file can be
    // made gives no lock and no refusal: the table's own file then decides.
    [[nodiscard]] static std::unique_ptr<TableLock> Take(const QString& tablePath, const QString& holder,
                                                         QString& refusal);

    // The lock file of the table at tablePath.
    [[nodiscard]] static QString LockPath(const QString& tablePath);

  private:
    explicit TableLock(int fd) : m_fd(fd) {}
    int m_fd = -1;
};
