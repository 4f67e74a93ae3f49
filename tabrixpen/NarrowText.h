#pragma once

#include <cstddef>
#include <string>

// UTF-16 device text as the narrow (UTF-8) text of this platform. Stops at the first NUL;
// an unpaired surrogate becomes '?'.
std::string narrowText(const char16_t *units, size_t count);

// At most `maxBytes` bytes of text, ending with a whole character.
std::string cutNarrow(const std::string &text, size_t maxBytes);

// Copies text into a field of `size` bytes, NUL-terminated, never splitting a character.
void copyNarrow(char *field, size_t size, const std::string &text);
