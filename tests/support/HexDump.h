#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// "7E 61 62 7F": how byte comparisons print both sides when they fail.
std::string Hex(std::span<const uint8_t> bytes);
std::string Hex(const QByteArray& bytes);
// Parses "7E 61 62 7F" (spaces optional).
std::vector<uint8_t> Bytes(const char* hex);
// The complete frame of a payload given in hex.
std::vector<uint8_t> Framed(const char* payloadHex);
std::vector<uint8_t> Framed(std::span<const uint8_t> payload);
