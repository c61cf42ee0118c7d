// The player id from the host's configuration file.
#ifndef QUORVANE_HOST_PLAYER_ID_H
#define QUORVANE_HOST_PLAYER_ID_H

#include <string>
#include <string_view>

namespace qir {

// "LR2files/Config/config.xml" relative to the host's working directory.
std::string ReadPlayerId();

// The text between the first "<id>" and the next "</id>", searched from the first
// "<player>" when there is one; empty when there is none.
std::string PlayerIdFromConfig(std::string_view config);

}  // namespace qir

#endif
