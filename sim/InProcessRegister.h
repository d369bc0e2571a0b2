#pragma once

#include "sim/SimOptions.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QThread;
class RegisterModel;
class RegisterPort;

// The simulated register inside the program (its --simulate option): the model
// and its pseudo-terminal run on a thread of their own, so that the program's
// modal waits and long loops never stall the register at the far end.
//
//     InProcessRegister sim(options);
//     const QString device = sim.Start();          // "" on failure, see ErrorString()
//     TCommPortDriver::SetDeviceOverride(pnCOM1, device);
//
// The program then opens COM1 as usual. Stop() (or the destructor) ends the
// register; the device vanishes for whoever still has it open.
class InProcessRegister : public QObject {
    Q_OBJECT
  public:
    explicit InProcessRegister(SimOptions options = ProgramDefaults(), QObject* parent = nullptr);

    // What --simulate starts with unless the command line says otherwise: the
    // line paced at 19200 bit/s and a cashier who takes a sale step every five
    // seconds, so that the sales monitor has something to show.
    [[nodiscard]] static SimOptions ProgramDefaults();
    ~InProcessRegister() override;

    // Starts the register and returns the device path of the far end of its
    // line; an empty text when it could not start. Starting a running register
    // returns its path again.
    QString Start();
    void Stop();
    [[nodiscard]] bool IsRunning() const { return !m_devicePath.isEmpty(); }
    [[nodiscard]] QString DevicePath() const { return m_devicePath; }
    [[nodiscard]] QString ErrorString() const { return m_error; }

    // Runs fn with the model on the register's thread and waits for it: the
    // one safe way to look at or change the register while it runs (a "sell
    // now" action, a test's inspection). Does nothing when not running.
    void WithModel(const std::function<void(RegisterModel&)>& fn);

  private:
    SimOptions m_options;
    std::unique_ptr<QThread> m_thread;
    QObject* m_anchor = nullptr; // lives on m_thread; the target of the calls made there
    RegisterModel* m_model = nullptr;
    RegisterPort* m_port = nullptr;
    QString m_devicePath;
    QString m_error;
};
