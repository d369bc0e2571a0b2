#include "serial/DeviceIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace {

bool IsPseudoTerminalNode(const QString& path) {
    if (path.startsWith(QLatin1String("/dev/pts/")))
        return true;
#ifdef Q_OS_LINUX
    // Unix 98 pseudo-terminal slaves have the majors 136 to 143.
    struct stat node {};
    if (::stat(QFile::encodeName(path).constData(), &node) == 0 && S_ISCHR(node.st_mode)) {
        const unsigned int kind = major(node.st_rdev);
        return kind >= 136 && kind <= 143;
    }
#endif
    return false;
}

} // namespace

DeviceIdentity DeviceIdentity::Of(const QString& path) {
    DeviceIdentity identity;
    identity.Path = path;
    identity.StableName = QFileInfo(path).isSymLink();
    identity.PseudoTerminal = !identity.StableName && IsPseudoTerminalNode(path);
    if (identity.StableName || identity.PseudoTerminal)
        return identity;
    const QSerialPortInfo info(path);
    identity.SerialNumber = info.serialNumber();
    if (info.hasVendorIdentifier())
        identity.VendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier())
        identity.ProductId = info.productIdentifier();
    return identity;
}

bool DeviceIdentity::SameAs(const DeviceIdentity& present) const {
    if (!MayComeBack() || present.Path != Path || present.PseudoTerminal)
        return false;
    if (StableName)
        return true;
    if (!SerialNumber.isEmpty())
        return present.SerialNumber == SerialNumber;
    // An adapter without a serial number: at least the same make of adapter.
    return present.VendorId == VendorId && present.ProductId == ProductId;
}
