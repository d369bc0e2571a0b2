#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

// The program's record of every frame on the line, in the simulated register's
// trace format so that the two records of one session line up line by line:
//   <local ISO time with ms> <direction> <frame bytes in hex> [code <hex> '<char>']
// Directions are OUT (sent), IN (received, checksum held) and BAD (received,
// checksum failed). The trailing code is the frame's first payload byte; the
// simulator's lines end after the bytes, so a reader that takes the first
// three fields reads both.
namespace TraceDirection {
inline constexpr const char* Out = "OUT";
inline constexpr const char* In = "IN";
inline constexpr const char* Bad = "BAD";
} // namespace TraceDirection

// The wire form of gathered frame bytes (payload and checksum, unstuffed):
// start byte, the bytes stuffed, end byte.
[[nodiscard]] QByteArray StuffedFrame(std::span<const uint8_t> bodyAndChecksum);

[[nodiscard]] QByteArray FrameTraceLine(const QDateTime& at, const char* direction, const QByteArray& wire,
                                        std::optional<uint8_t> code);

class FrameTrace {
  public:
    // Starts writing to path (emptied first); false with the reason in error when
    // the file cannot be opened, the previous trace (if any) then goes on.
    bool Start(const QString& path, QString* error);
    // Closes the file; nothing is traced until the next Start.
    void Stop();
    [[nodiscard]] bool IsOn() const { return m_file != nullptr; }
    [[nodiscard]] QString FileName() const { return m_file ? m_file->fileName() : QString(); }

    void Write(const char* direction, const QByteArray& wire, std::optional<uint8_t> code);

    // A line that cannot be written (a full disk, a removed stick) ends the
    // trace; this is told the file and the system's reason, once.
    std::function<void(const QString& file, const QString& reason)> OnFailed;

  private:
    std::unique_ptr<QFile> m_file;
};
