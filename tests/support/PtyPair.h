#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

// A pseudo-terminal for a test: the program under test opens DevicePath() like
// a serial device, the test talks through the far end. The near end is kept
// open (in raw mode) so that the far end never sees a hang-up between opens.
class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    [[nodiscard]] bool Ok() const { return m_master >= 0; }
    [[nodiscard]] QString DevicePath() const { return m_path; }
    [[nodiscard]] int MasterFd() const { return m_master; }
    // True once bytes wait to be read at the program's end of the line (they
    // stay there), false when none arrive within timeoutMs.
    [[nodiscard]] bool InputWaitsAtFarEnd(int timeoutMs) const;

    void Write(std::span<const uint8_t> bytes);
    void Write(const std::vector<uint8_t>& bytes) { Write(std::span<const uint8_t>(bytes)); }
    // Whatever the far end has received so far (never blocks).
    QByteArray ReadAvailable();
    // Runs the event loop until at least n bytes have come or timeoutMs passed.
    QByteArray ReadAtLeast(int n, int timeoutMs = 5000);
    // Closes both ends: the device vanishes for whoever has it open.
    void Close();

  private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
