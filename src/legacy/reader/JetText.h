#pragma once

#include <cstddef>
#include <string>

namespace jettext {

// UTF-8 of a Jet 4.0 text value: UTF-16LE, or, when it starts with FF FE, "compressed" text in which
// every 00 byte switches between one-byte (Latin-1) and two-byte characters. Surrogate pairs are
// joined; a lone surrogate becomes U+FFFD. An odd trailing byte is dropped.
std::string decode(const unsigned char *data, std::size_t size);

} // namespace jettext
