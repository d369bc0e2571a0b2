#pragma once

#include <QtGlobal>

// A file mapped into memory ends the program with SIGBUS when another program
// shortens it and a page past its new end is read. A watched range instead
// gets a page of zeros there, and the range remembers that its file was
// shortened, so that the view can say so.
namespace MappingGuard {

// Watches [data, data + bytes); returns its slot, or -1 when every slot is taken
// (the range is then not watched).
[[nodiscard]] int Watch(const void* data, qint64 bytes);
// Before the range is unmapped.
void Forget(int slot);
// Whether a read in the slot's range found its file shortened.
[[nodiscard]] bool Shortened(int slot);

} // namespace MappingGuard
