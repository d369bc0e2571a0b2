#include "sim/InProcessRegister.h"

#include "sim/RegisterModel.h"
#include "sim/RegisterPort.h"

#include <QThread>

InProcessRegister::InProcessRegister(SimOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {}

InProcessRegister::~InProcessRegister() {
    Stop();
}

SimOptions InProcessRegister::ProgramDefaults() {
    SimOptions options;
    options.Speed = 19200;
    options.SellEveryMs = 5000;
    return options;
}

QString InProcessRegister::Start() {
    if (IsRunning())
        return m_devicePath;
    Stop();
    m_error.clear();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("OrvexRegisterSim"));
    m_anchor = new QObject;
    m_anchor->moveToThread(m_thread.get());
    m_thread->start();

    QString path;
    QString error;
    QMetaObject::invokeMethod(
        m_anchor,
        [this, &path, &error] {
            m_model = new RegisterModel(m_options.Seed);
            if (!m_options.PlusFile.isEmpty() &&
                !m_model->LoadPlus(m_options.PlusFile, m_options.Charset, &error)) {
                error = QStringLiteral("%1: %2").arg(m_options.PlusFile, error);
                return;
            }
            m_port = new RegisterPort(*m_model, m_options);
            if (!m_port->Open(&error))
                return;
            m_model->StartSelling(m_options.SellEveryMs);
            path = m_port->DevicePath();
        },
        Qt::BlockingQueuedConnection);
    if (path.isEmpty()) {
        m_error = error;
        Stop();
        return {};
    }
    m_devicePath = path;
    return path;
}

void InProcessRegister::Stop() {
    if (!m_thread)
        return;
    QMetaObject::invokeMethod(
        m_anchor,
        [this] {
            delete m_port;
            delete m_model;
            m_port = nullptr;
            m_model = nullptr;
        },
        Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_anchor;
    m_anchor = nullptr;
    m_thread.reset();
    m_devicePath.clear();
}

void InProcessRegister::WithModel(const std::function<void(RegisterModel&)>& fn) {
    if (!IsRunning())
        return;
    QMetaObject::invokeMethod(
        m_anchor,
        [this, &fn] {
            if (m_model)
                fn(*m_model);
        },
        Qt::BlockingQueuedConnection);
}
