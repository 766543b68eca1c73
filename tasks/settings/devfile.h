#pragma once
// The printer-settings file of a task: the DEVMODE bytes as a text stream.
// Writing turns every 0x0A into 0x0D 0x0A; reading turns every 0x0D 0x0A
// back into 0x0A. No other byte changes, so a round trip is exact.
#include "app/base/wholefile.h"

Bytes EncodeDevText(const Bytes& raw);
Bytes DecodeDevText(const Bytes& text);
