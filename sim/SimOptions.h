#pragma once

#include <QString>
#include <cstdint>

// How the simulated register behaves on its line: the options of
// orvex-register-sim, and of the program's --simulate.
struct SimOptions {
    // Bits per second the output is paced at (10 bits a byte); 0 sends at once.
    uint32_t Speed = 19200;
    // The register hears the program only when the program's end of the line
    // runs at Speed, as a real register's port would; otherwise any speed works.
    bool StrictSpeed = false;
    // A cashier's sale step this often; 0 sells nothing on its own.
    int SellEveryMs = 0;
    uint32_t Seed = 1;
    // Faults put on the line on purpose. Every Nth outbound frame (journal
    // records and replies counted together) is dropped or sent with a broken
    // checksum; every Nth PLU record reply names the next PLU number instead;
    // replies to commands leave DelayMs late. Silent sends nothing at all.
    bool Silent = false;
    int DropEvery = 0;
    int CorruptEvery = 0;
    int WrongPluEvery = 0;
    int DelayMs = 0;
    // A PLU database file to start from, read with the register character set Charset.
    QString PlusFile;
    int Charset = 204;
    // Every frame in and out as a timestamped hex line.
    QString TraceFile;
};
