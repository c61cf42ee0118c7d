// Text conversions at the edges: UTF-8 to UTF-16 for the system, percent-encoding
// for query values.
#ifndef QUORVANE_NET_ENCODING_H
#define QUORVANE_NET_ENCODING_H

#include <cstddef>
#include <string>

namespace qir {

std::u16string Utf8ToWide(const char* data, std::size_t length);

// RFC 3986 unreserved bytes pass; every other byte becomes "%XX" (upper case).
std::string UrlEncode(const unsigned char* data, std::size_t length);

}  // namespace qir

#endif
