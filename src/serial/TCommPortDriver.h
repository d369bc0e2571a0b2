#pragma once

#include "serial/DeviceIdentity.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QSerialPort;

enum TComPortNumber : int {
    pnCOM1,
    pnCOM2,
    pnCOM3,
    pnCOM4,
    pnCOM5,
    pnCOM6,
    pnCOM7,
    pnCOM8,
    pnCOM9,
    pnCOM10,
    pnCOM11,
    pnCOM12,
    pnCOM13,
    pnCOM14,
    pnCOM15,
    pnCOM16
};
enum TComPortBaudRate : int {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    brcust
};
enum TComPortDataBits : int { db5BITS, db6BITS, db7BITS, db8BITS };
enum TComPortStopBits : int { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity : int { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortHwHandshaking : int { hhNONE, hhRTSCTS };
enum TComPortSwHandshaking : int { shNONE, shXONXOFF };
enum TPacketMode : int { pmDiscard, pmPass };

// Bits per second of a rate; brcust has none of its own (0).
[[nodiscard]] uint32_t BaudRateOf(TComPortBaudRate rate);
// Milliseconds to move n bytes at 10 bits a byte; brcust counts as 4800.
[[nodiscard]] uint32_t TransferTime(TComPortBaudRate rate, uint32_t n);
// "COM1" ... "COM16".
[[nodiscard]] QString ComPortName(TComPortNumber port);

using TComPortReceiveDataEvent =
    std::function<void(class TCommPortDriver* Sender, std::span<const uint8_t> Data)>;
using TComPortReceivePacketEvent =
    std::function<void(class TCommPortDriver* Sender, std::span<const uint8_t> Packet, uint32_t ElapsedTime)>;

// The one way to the serial line: opens a numbered port, applies the line
// settings, writes blocks with a time-out and hands received bytes to its owner.
// It knows nothing of frames.
//
// Bytes are handed on as soon as they arrive; the poll timer is the upper bound
// on latency. Port numbers map to the platform's devices (COMn is /dev/ttyS(n-1)
// on Linux) unless SetDeviceOverride names another device for a number.
class TCommPortDriver : public QObject {
    Q_OBJECT
  public:
    explicit TCommPortDriver(QObject* parent = nullptr);
    ~TCommPortDriver() override;

    bool OpenPort();
    // Opens a device by its path rather than through a port number (a search
    // over the machine's devices); the line settings apply as with OpenPort.
    bool OpenDevice(const QString& device);
    // The device last opened, as it was when it opened.
    [[nodiscard]] const DeviceIdentity& OpenedIdentity() const { return m_openIdentity; }
    // Why the last open failed, in the system's words.
    [[nodiscard]] QString OpenError() const { return m_openError; }
    void ClosePort();
    [[nodiscard]] bool IsOpen() const;
    // Whether the open device's driver hands received bytes on at once (Linux
    // low-latency mode, asked for on every open).
    [[nodiscard]] bool LowLatency() const { return IsOpen() && m_lowLatency; }
    void ApplyLineSettings();
    void PurgeBuffers(bool input, bool output);
    // Hands on at once what the device has received so far, as a poll tick
    // would, without waiting for the event loop to announce it.
    void ReadReceived();
    [[nodiscard]] int16_t OutputFreeSpace() const;
    // Bytes written, negated when the output stayed full for OutputTimeout ms.
    int32_t WriteData(std::span<const uint8_t> data);

    // The device opened for a port number, and its mapping to another device path.
    static void SetDeviceOverride(TComPortNumber port, const QString& device);
    static void ClearDeviceOverrides();
    [[nodiscard]] static QString DeviceName(TComPortNumber port);
    // This port's own device path, whatever its number names: a program that
    // serves several registers opens each by its path. Choosing a port number
    // again (SetComPort) drops it; empty goes back to the number's device.
    void SetDevicePath(const QString& device);
    [[nodiscard]] QString CurrentDeviceName() const {
        return m_devicePath.isEmpty() ? DeviceName(m_comPort) : m_devicePath;
    }

    [[nodiscard]] TComPortNumber ComPort() const { return m_comPort; }
    void SetComPort(TComPortNumber v);
    [[nodiscard]] TComPortBaudRate ComPortSpeed() const { return m_speed; }
    void SetComPortSpeed(TComPortBaudRate v);
    [[nodiscard]] TComPortDataBits ComPortDataBits() const { return m_dataBits; }
    void SetComPortDataBits(TComPortDataBits v);
    [[nodiscard]] TComPortStopBits ComPortStopBits() const { return m_stopBits; }
    void SetComPortStopBits(TComPortStopBits v);
    [[nodiscard]] TComPortParity ComPortParity() const { return m_parity; }
    void SetComPortParity(TComPortParity v);
    [[nodiscard]] TComPortHwHandshaking ComPortHwHandshaking() const { return m_hwHandshaking; }
    void SetComPortHwHandshaking(TComPortHwHandshaking v);
    [[nodiscard]] TComPortSwHandshaking ComPortSwHandshaking() const { return m_swHandshaking; }
    void SetComPortSwHandshaking(TComPortSwHandshaking v);
    [[nodiscard]] uint16_t ComPortInBufSize() const { return m_inBufSize; }
    void SetComPortInBufSize(uint16_t v);
    [[nodiscard]] uint16_t ComPortOutBufSize() const { return m_outBufSize; }
    void SetComPortOutBufSize(uint16_t v);
    [[nodiscard]] int16_t PacketSize() const { return m_packetSize; }
    void SetPacketSize(int16_t v);
    [[nodiscard]] int32_t PacketTimeout() const { return m_packetTimeout; }
    void SetPacketTimeout(int32_t v);
    [[nodiscard]] TPacketMode PacketMode() const { return m_packetMode; }
    void SetPacketMode(TPacketMode v) { m_packetMode = v; }
    [[nodiscard]] uint16_t ComPortPollingDelay() const { return m_pollingDelay; }
    void SetComPortPollingDelay(uint16_t v);
    [[nodiscard]] bool EnableDTROnOpen() const { return m_enableDtr; }
    void SetEnableDTROnOpen(bool v) { m_enableDtr = v; }
    [[nodiscard]] uint16_t OutputTimeout() const { return m_outputTimeout; }
    void SetOutputTimeout(uint16_t v) { m_outputTimeout = v; }
    [[nodiscard]] uint16_t Specialb() const { return m_specialb; }
    void SetSpecialb(uint16_t v) { m_specialb = v; }
    // The modem lines ApplyLineSettings sets: DTR as EnableDTROnOpen says; RTS
    // low without RTS/CTS handshake, left to the handshake (no value) with it.
    struct ModemLines {
        bool Dtr;
        std::optional<bool> Rts;
    };
    [[nodiscard]] ModemLines LineSignals() const;
    // The rate the open port runs at (after ApplyLineSettings).
    [[nodiscard]] uint32_t ActualBaudRate() const;
    [[nodiscard]] size_t ReceiveBufferSize() const { return m_receiveBuffer.size(); }

    TComPortReceiveDataEvent OnReceiveData;
    TComPortReceivePacketEvent OnReceivePacket;

  signals:
    // The open device failed under us (pulled adapter, closed terminal); the
    // port has been closed.
    void PortLost(const QString& device, const QString& reason);

  private:
    void OnPollTick();
    void OnPortError(int error);
    void ReadPlain();
    void ReadPackets();
    [[nodiscard]] int64_t Now() const { return m_clock.elapsed(); }

    std::unique_ptr<QSerialPort> m_port;
    QTimer m_pollTimer;
    QElapsedTimer m_clock;
    QString m_openDevice;
    DeviceIdentity m_openIdentity;
    QString m_devicePath;
    QString m_openError;
    std::vector<uint8_t> m_receiveBuffer;
    int64_t m_packetStartTick = -1;

    TComPortNumber m_comPort = pnCOM2;
    TComPortBaudRate m_speed = br9600;
    TComPortDataBits m_dataBits = db8BITS;
    TComPortStopBits m_stopBits = sb1BITS;
    TComPortParity m_parity = ptNONE;
    TComPortHwHandshaking m_hwHandshaking = hhNONE;
    TComPortSwHandshaking m_swHandshaking = shNONE;
    uint16_t m_inBufSize = 2048;
    uint16_t m_outBufSize = 2048;
    int16_t m_packetSize = -1;
    int32_t m_packetTimeout = -1;
    TPacketMode m_packetMode = pmDiscard;
    uint16_t m_pollingDelay = 50;
    bool m_enableDtr = true;
    uint16_t m_outputTimeout = 4000;
    uint16_t m_specialb = 0;
    bool m_reading = false;
    bool m_lowLatency = false;
};
