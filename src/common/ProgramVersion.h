#pragma once

// The version the programs report (the window's About, orvexctl --version).
inline constexpr const char* ProgramVersion = "1.90";
