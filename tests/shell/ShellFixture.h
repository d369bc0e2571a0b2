#pragma once

#include "common/ShellSettings.h"
#include "database/TDataForm.h"
#include "protocol/ReplyDispatcher.h"
#include "serial/FrameCodec.h"
#include "shell/Browser.h"
#include "shell/FormSet.h"
#include "shell/MainMenus.h"
#include "shell/TUserForm.h"
#include "support/HexDump.h"
#include "support/PtyPair.h"
#include "support/WaitUntil.h"
#include "toolkit/MessageBoxes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// The program's windows on COM1 = a pseudo-terminal, with every message box
// answered by the test.
class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QApplication::setQuitOnLastWindowClosed(false);
        startDir = QDir::currentPath();
        // The program keeps pludb.dat and ComOpts.ini in its working directory.
        ASSERT_TRUE(workDir.isValid());
        QDir::setCurrent(workDir.path());
        ASSERT_TRUE(pty.Ok());
        TCommPortDriver::SetDeviceOverride(pnCOM1, pty.DevicePath());
        MessageBoxes::SetHook([this](const MessageRequest& request) {
            boxes.push_back(request);
            return answer;
        });
        Browser::SetOpener([this](const QUrl& url) {
            opened.push_back(url);
            return browserWorks;
        });
        forms = std::make_unique<FormSet>();
        forms->UserForm().FormActivate();
    }
    void TearDown() override {
        forms.reset();
        MessageBoxes::SetHook({});
        Browser::SetOpener({});
        TCommPortDriver::ClearDeviceOverrides();
        QDir::setCurrent(startDir);
    }

    [[nodiscard]] TUserForm& Window() const { return forms->UserForm(); }
    [[nodiscard]] ReplyDispatcher& Dispatcher() const { return forms->Session().Dispatcher(); }
    [[nodiscard]] QAction* Item(const char* name) const {
        QAction* action = Window().Menus()->Action(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    template <typename T> T* Control(const char* name) const {
        T* control = Window().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // Whether pludb.dat holds exactly the PC table.
    [[nodiscard]] bool FileHoldsTheTable() const {
        QFile file(QDir(workDir.path()).filePath(QStringLiteral("pludb.dat")));
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const auto bytes = forms->DataForm().Table().Bytes();
        return file.readAll() ==
               QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    }

    QString startDir;
    QTemporaryDir workDir;
    PtyPair pty;
    std::vector<MessageRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    std::vector<QUrl> opened;
    bool browserWorks = true;
    std::unique_ptr<FormSet> forms;
};
