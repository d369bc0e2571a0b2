#include "gateway/GatewayConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(GatewayConfig, RegistersAndListenAddressesAreReadOrRefusedByName) {
    const struct {
        const char* Text;
        bool Ok;
        const char* Id;
        const char* Device;
        int Speed;
    } entries[] = {
        {"1=/dev/ttyUSB0", true, "1", "/dev/ttyUSB0", 19200},
        {"till-2=/dev/serial/by-id/usb-x@9600", true, "till-2", "/dev/serial/by-id/usb-x", 9600},
        {"a=/dev/ttyS0@38400", true, "a", "/dev/ttyS0", 38400},
        {"a=/dev/ttyS0@1200", false, "", "", 0},
        {"a=/dev/ttyS0@", false, "", "", 0},
        {"=/dev/ttyS0", false, "", "", 0},
        {"a=", false, "", "", 0},
        {"a/b=/dev/ttyS0", false, "", "", 0},
        {"a=@19200", false, "", "", 0},
    };
    for (const auto& s : entries) {
        SCOPED_TRACE(s.Text);
        GatewayRegisterEntry entry;
        QString error;
        ASSERT_EQ(ParseRegisterEntry(s.Text, entry, error), s.Ok) << error.toStdString();
        if (!s.Ok) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        EXPECT_EQ(entry.Id, s.Id);
        EXPECT_EQ(entry.Device, s.Device);
        EXPECT_EQ(entry.Speed, s.Speed);
    }
    QString address, error;
    quint16 port = 0;
    EXPECT_TRUE(ParseListen("0.0.0.0:80", address, port, error));
    EXPECT_EQ(address, "0.0.0.0");
    EXPECT_EQ(port, 80);
    EXPECT_TRUE(ParseListen("[::1]:8472", address, port, error));
    EXPECT_EQ(address, "::1");
    for (const char* bad : {"127.0.0.1", "127.0.0.1:0", "127.0.0.1:65536", ":80", "127.0.0.1:x"})
        EXPECT_FALSE(ParseListen(bad, address, port, error)) << bad;
}

// The INI file holds the same settings; the command line has the last word,
// and its registers replace the file's.
TEST(GatewayConfig, TheCommandLineWinsOverTheSettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath("gw.ini");
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[gateway]\nlisten=0.0.0.0:9000\ntoken-file=/etc/t\nlog=/var/log.sqlite\nsimulate=true\n"
               "[registers]\n1=/dev/ttyUSB0@9600\n2=/dev/ttyUSB1\n");
    file.close();
    GatewayConfig fromFile;
    QString error;
    ASSERT_TRUE(ParseGatewayArguments({"--config", ini}, fromFile, error)) << error.toStdString();
    EXPECT_EQ(fromFile.Address, "0.0.0.0");
    EXPECT_EQ(fromFile.Port, 9000);
    EXPECT_EQ(fromFile.TokenFile, "/etc/t");
    EXPECT_TRUE(fromFile.Simulate);
    ASSERT_EQ(fromFile.Registers.size(), 2u);
    EXPECT_EQ(fromFile.Registers[0].Speed, 9600);

    GatewayConfig both;
    ASSERT_TRUE(ParseGatewayArguments(
        {"--listen", "127.0.0.1:1234", "--config", ini, "--register", "9=/dev/x"}, both, error))
        << error.toStdString();
    EXPECT_EQ(both.Address, "127.0.0.1");
    EXPECT_EQ(both.Port, 1234);
    ASSERT_EQ(both.Registers.size(), 1u);
    EXPECT_EQ(both.Registers[0].Id, "9");

    for (const QStringList& bad :
         {QStringList{"--register", "1=/a", "--register", "1=/b"}, QStringList{"--bogus", "1"},
          QStringList{"--listen"}, QStringList{"stray"}, QStringList{"--tls-cert", "c.pem"},
          QStringList{"--config", dir.filePath("missing.ini")}}) {
        GatewayConfig c;
        EXPECT_FALSE(ParseGatewayArguments(bad, c, error)) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(GatewayConfig, ATokenIsMadeOnceOwnerOnlyAndAnEmptyFileStopsTheStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("gw.token");
    QByteArray token;
    bool made = false;
    QString error;
    ASSERT_TRUE(ObtainToken(path, token, made, error)) << error.toStdString();
    EXPECT_TRUE(made);
    EXPECT_EQ(token.size(), 64);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    QByteArray again;
    ASSERT_TRUE(ObtainToken(path, again, made, error));
    EXPECT_FALSE(made);
    EXPECT_EQ(again, token);

    const QString empty = dir.filePath("empty.token");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_FALSE(ObtainToken(empty, again, made, error));
    EXPECT_TRUE(error.contains("empty"));
    EXPECT_FALSE(ObtainToken(dir.path(), again, made, error));
    EXPECT_TRUE(error.contains("cannot be read")) << error.toStdString();
    EXPECT_FALSE(ObtainToken(dir.filePath("no/such/dir/t"), again, made, error));
}
