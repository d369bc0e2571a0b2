#pragma once

#include <QString>
#include <cstdint>

// What tells a serial device apart from the next one given the same path, so
// that a device that vanished is opened again only when it is the same one.
struct DeviceIdentity {
    QString Path;
    // Named directly as a pseudo-terminal: its number goes to whichever
    // program asks next, so the same path is never the same line again.
    bool PseudoTerminal = false;
    // A name kept by udev or the user (a symbolic link): the name is the identity.
    bool StableName = false;
    QString SerialNumber;
    uint16_t VendorId = 0;
    uint16_t ProductId = 0;

    [[nodiscard]] static DeviceIdentity Of(const QString& path);
    // Whether a device at Path later may be this one again.
    [[nodiscard]] bool MayComeBack() const { return !Path.isEmpty() && !PseudoTerminal; }
    // Whether present, the device now at Path, is this one.
    [[nodiscard]] bool SameAs(const DeviceIdentity& present) const;
};
