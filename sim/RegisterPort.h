#pragma once

#include "serial/FrameCodec.h"
#include "sim/SimOptions.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

class RegisterModel;

// The simulated register's end of the line: a pseudo-terminal whose far end
// (DevicePath) the program opens like a serial port. Frames from the program go
// to the model; its replies and its own records go back framed, paced at the
// line speed and with the faults the options ask for.
class RegisterPort : public QObject {
    Q_OBJECT
  public:
    RegisterPort(RegisterModel& model, SimOptions options, QObject* parent = nullptr);
    ~RegisterPort() override;
    RegisterPort(const RegisterPort&) = delete;
    RegisterPort& operator=(const RegisterPort&) = delete;

    bool Open(QString* error = nullptr);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_master >= 0; }
    // Whether someone has the far end open. While nobody does, what the
    // register sends is lost, as on an unplugged cable.
    [[nodiscard]] bool FarEndOpen() const { return m_farEndOpen; }
    [[nodiscard]] QString DevicePath() const { return m_path; }

    // Sends a payload as the register would: framed, faulted, traced, paced;
    // a paced line starts it no earlier than notBeforeNs on the port's clock.
    void Send(const QByteArray& payload, qint64 notBeforeNs = 0);
    // Bytes still waiting for the line.
    [[nodiscard]] qsizetype Pending() const { return m_out.size(); }
    [[nodiscard]] qint64 BytesSent() const { return m_bytesSent; }
    [[nodiscard]] int FramesIn() const { return m_framesIn; }
    // Bits per second the program has set its end of the line to; 0 when unknown.
    [[nodiscard]] uint32_t LineSpeed() const;

  signals:
    void FrameReceived(const QByteArray& payload);
    // The output queue ran empty.
    void Drained();

  private:
    void ReadInput();
    void SetFarEndOpen(bool open);
    void CheckFarEnd();
    void OnFrame();
    void Pump();
    // The pacer wakes Pump once, inNs from now.
    void ArmPace(qint64 inNs);
    void StopPace();
    void Trace(const char* direction, const QByteArray& wire);
    [[nodiscard]] QByteArray Wire(const QByteArray& payload, bool corrupt) const;

    RegisterModel& m_model;
    SimOptions m_options;
    int m_master = -1;
    bool m_farEndOpen = false;
    QTimer m_farEndTimer;
    QString m_path;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    FrameReceiver m_receiver;
    QFile m_trace;

    QByteArray m_out;
    int m_paceFd = -1;
    std::unique_ptr<QSocketNotifier> m_paceNotifier;
    QElapsedTimer m_clock;
    qint64 m_periodStartNs = 0;
    qint64 m_periodBytes = 0;
    qint64 m_inboundEndNs = 0; // when the program's bytes so far have come in over the line
    bool m_blocked = false;    // the listener's input is full
    qint64 m_bytesSent = 0;
    int m_framesIn = 0;
    int m_framesOut = 0;
    int m_pluReplies = 0;
};
